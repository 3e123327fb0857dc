#include "ui/batch_window.h"

#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "save/output_name.h"
#include "ui/settings_store.h"
#include "ui/ui_text.h"

namespace quillon::ui {
namespace {

// The host of one file's remux on the worker thread: its log kept, its
// progress and the stop button read through atomics the window polls.
class BatchHost : public Host {
public:
    BatchHost(Lang lang, std::atomic<bool>& stop, std::atomic<uint64_t>& maximum, std::atomic<uint64_t>& position)
        : stop_(stop), maximum_(maximum), position_(position) {
        setLanguage(lang);
    }
    std::vector<std::string> lines;
    void ProgressShow(uint64_t maximum) override {
        maximum_ = maximum;
        position_ = 0;
    }
    void ProgressTo(uint64_t position) override { position_ = position; }
    bool StopRequested() override { return stop_; }

protected:
    void logLine(const std::string& line) override { lines.push_back(line); }

private:
    std::atomic<bool>& stop_;
    std::atomic<uint64_t>& maximum_;
    std::atomic<uint64_t>& position_;
};

// A host for reading headers on the window's thread: nothing to show.
class QuietHost : public Host {
protected:
    void logLine(const std::string&) override {}
};

enum GroupColumn { Keep, Default, Forced, NewName, Type, Language, Codec, Name, Files, GroupColumns };
enum FileColumn { File, Tracks, Preview, State, FileColumns };

const char* TypeText(uint8_t type) { return type == 1 ? "видео" : type == 2 ? "звук" : type == 17 ? "субтитры" : "?"; }

bool IsMatroskaName(const QString& name) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    return suffix == "mkv" || suffix == "mka" || suffix == "mks" || suffix == "webm";
}

QString GroupKey(const TrackGroup& g) {
    return QString::number(g.type) + '|' + FromCore(g.language) + '|' + FromCore(g.codec) + '|' + FromCore(g.name);
}

QTableWidgetItem* Tick(bool on) {
    auto* item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    return item;
}

QTableWidgetItem* Fixed(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

TFormBatch::TFormBatch(Lang lang, QWidget* parent) : QWidget(parent, Qt::Window), lang_(lang) {
    setObjectName("FormBatch");
    setAcceptDrops(true);
    BuildControls();
    RecallChoices();
    resize(900, 640);
}

TFormBatch::~TFormBatch() {
    stop_ = true;
    if (worker_.joinable()) worker_.join();
}

QString TFormBatch::Tr(const char* rus) const { return FromCore(quillon::Tr(rus, lang_)); }

void TFormBatch::BuildControls() {
    setWindowTitle(Tr("пересборка многих файлов по правилам"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    ButtonBADD = new QPushButton(Tr("добавить файлы…"), this);
    ButtonBADD->setObjectName("ButtonBADD");
    auto* folderLabel = new QLabel(Tr("папка для новых файлов:"), this);
    EditBOD = new QLineEdit(this);
    EditBOD->setObjectName("EditBOD");
    ButtonBOD = new QPushButton(Tr("выбрать…"), this);
    ButtonBOD->setObjectName("ButtonBOD");
    top->addWidget(ButtonBADD);
    top->addWidget(folderLabel);
    top->addWidget(EditBOD, 1);
    top->addWidget(ButtonBOD);
    layout->addLayout(top);

    auto* split = new QSplitter(Qt::Vertical, this);
    GridBT = new QTableWidget(0, GroupColumns, split);
    GridBT->setObjectName("GridBT");
    GridBT->setHorizontalHeaderLabels({Tr("оставить"), Tr("по умолчанию"), Tr("принудительно"), Tr("новое имя"), Tr("тип"),
                                       Tr("язык"), Tr("кодек"), Tr("имя"), Tr("файлов")});
    GridBT->horizontalHeader()->setStretchLastSection(true);
    GridBT->verticalHeader()->hide();
    ListBF = new QTableWidget(0, FileColumns, split);
    ListBF->setObjectName("ListBF");
    ListBF->setHorizontalHeaderLabels({Tr("файл"), Tr("треки"), Tr("будет записано"), Tr("состояние")});
    ListBF->horizontalHeader()->setStretchLastSection(true);
    ListBF->verticalHeader()->hide();
    ListBF->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListBF->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MemoBL = new QPlainTextEdit(split);
    MemoBL->setObjectName("MemoBL");
    MemoBL->setReadOnly(true);
    layout->addWidget(split, 1);
    auto* orderRow = new QHBoxLayout;
    ButtonBUP = new QPushButton(Tr("выше"), this);
    ButtonBUP->setObjectName("ButtonBUP");
    ButtonBDN = new QPushButton(Tr("ниже"), this);
    ButtonBDN->setObjectName("ButtonBDN");
    auto* orderLabel = new QLabel(Tr("порядок треков в новых файлах: видео, звук, субтитры, внутри типа как в таблице"), this);
    orderRow->addWidget(ButtonBUP);
    orderRow->addWidget(ButtonBDN);
    orderRow->addWidget(orderLabel, 1);
    // What the film carries besides its tracks is written unless the user leaves it out.
    CheckBCH = new QCheckBox(Tr("главы"), this);
    CheckBCH->setObjectName("CheckBCH");
    CheckBAT = new QCheckBox(Tr("вложения"), this);
    CheckBAT->setObjectName("CheckBAT");
    CheckBTG = new QCheckBox(Tr("теги"), this);
    CheckBTG->setObjectName("CheckBTG");
    for (QCheckBox* box : {CheckBCH, CheckBAT, CheckBTG}) {
        box->setChecked(true);
        orderRow->addWidget(box);
    }
    layout->insertLayout(1, orderRow);

    BarBFILE = new QProgressBar(this);
    BarBFILE->setObjectName("BarBFILE");
    BarBALL = new QProgressBar(this);
    BarBALL->setObjectName("BarBALL");
    layout->addWidget(BarBFILE);
    layout->addWidget(BarBALL);
    auto* bottom = new QHBoxLayout;
    ButtonBGO = new QPushButton(Tr("начать"), this);
    ButtonBGO->setObjectName("ButtonBGO");
    ButtonBST = new QPushButton(Tr("стоп"), this);
    ButtonBST->setObjectName("ButtonBST");
    ButtonBST->setEnabled(false);
    LabelBSUM = new QLabel(this);
    LabelBSUM->setObjectName("LabelBSUM");
    LabelBSUM->setWordWrap(true);
    bottom->addWidget(ButtonBGO);
    bottom->addWidget(ButtonBST);
    bottom->addWidget(LabelBSUM, 1);
    layout->addLayout(bottom);

    poll_ = new QTimer(this);
    poll_->setInterval(100);
    connect(poll_, &QTimer::timeout, this, &TFormBatch::Poll);
    connect(ButtonBADD, &QPushButton::clicked, this, [this] {
        AddFiles(QFileDialog::getOpenFileNames(this, Tr("добавить файлы…"), EditBOD->text(),
                                               QStringLiteral("Matroska (*.mkv *.mka *.mks *.webm)")));
    });
    connect(ButtonBOD, &QPushButton::clicked, this, &TFormBatch::ChooseFolder);
    connect(ButtonBGO, &QPushButton::clicked, this, &TFormBatch::Start);
    connect(ButtonBUP, &QPushButton::clicked, this, [this] { MoveSelectedGroup(true); });
    connect(ButtonBDN, &QPushButton::clicked, this, [this] { MoveSelectedGroup(false); });
    connect(ButtonBST, &QPushButton::clicked, this, &TFormBatch::Stop);
    connect(GridBT, &QTableWidget::itemChanged, this, [this] {
        ReadChoices();
        ShowFiles();
    });
    connect(ListBF, &QTableWidget::currentCellChanged, this, [this](int row) { ShowLog(row); });
}

void TFormBatch::AddFiles(const QStringList& paths) {
    if (running_) return;
    QStringList found;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            for (const QFileInfo& file : QDir(path).entryInfoList(QDir::Files, QDir::Name))
                if (IsMatroskaName(file.fileName())) found << file.absoluteFilePath();
        } else if (info.isFile() && IsMatroskaName(path)) {
            found << info.absoluteFilePath();
        }
    }
    ReadChoices();
    const std::vector<TrackGroup> before = groups_;
    QuietHost quiet;
    quiet.setLanguage(lang_);
    for (const QString& path : found) {
        const std::string core = ToCore(path);
        if (std::any_of(files_.begin(), files_.end(), [&](const FileEntry& f) { return f.path == core; })) continue;
        FileEntry entry;
        entry.path = core;
        entry.facts = ReadTrackFacts(core, quiet, entry.readFailure);
        files_.push_back(std::move(entry));
    }
    std::vector<std::vector<TrackFacts>> all;
    for (const FileEntry& f : files_) all.push_back(f.facts);
    groups_ = GroupTracks(all);
    // The choices made so far stay with their groups; new groups take the remembered ones.
    for (TrackGroup& g : groups_)
        for (const TrackGroup& old : before)
            if (GroupKey(old) == GroupKey(g)) g.keep = old.keep, g.makeDefault = old.makeDefault, g.makeForced = old.makeForced, g.newName = old.newName;
    RecallChoices();
    ShowGroups();
    ShowFiles();
}

void TFormBatch::ShowGroups() {
    const QSignalBlocker quiet(GridBT);
    GridBT->setRowCount(int(groups_.size()));
    for (size_t k = 0; k < groups_.size(); ++k) {
        const TrackGroup& g = groups_[k];
        const int row = int(k);
        GridBT->setItem(row, Keep, Tick(g.keep));
        GridBT->setItem(row, Default, Tick(g.makeDefault));
        GridBT->setItem(row, Forced, Tick(g.makeForced));
        GridBT->setItem(row, NewName, new QTableWidgetItem(FromCore(g.newName)));
        GridBT->setItem(row, Type, Fixed(Tr(TypeText(g.type))));
        GridBT->setItem(row, Language, Fixed(FromCore(g.language)));
        GridBT->setItem(row, Codec, Fixed(FromCore(g.codec)));
        GridBT->setItem(row, Name, Fixed(FromCore(g.name)));
        GridBT->setItem(row, Files, Fixed(QString::number(g.files) + " / " + QString::number(files_.size())));
    }
    GridBT->resizeColumnsToContents();
}

void TFormBatch::ReadChoices() {
    for (int row = 0; row < GridBT->rowCount() && size_t(row) < groups_.size(); ++row) {
        TrackGroup& g = groups_[size_t(row)];
        g.keep = GridBT->item(row, Keep)->checkState() == Qt::Checked;
        g.makeDefault = GridBT->item(row, Default)->checkState() == Qt::Checked;
        g.makeForced = GridBT->item(row, Forced)->checkState() == Qt::Checked;
        g.newName = ToCore(GridBT->item(row, NewName)->text());
    }
}

TrackRules TFormBatch::Rules() const { return RulesOf(groups_); }

void TFormBatch::ShowFiles(bool previews) {
    // The previews follow the choices; while a run goes only the states change.
    const TrackRules rules = Rules();
    std::lock_guard lock(mutex_);
    ListBF->setRowCount(int(files_.size()));
    size_t done = 0;
    for (size_t k = 0; k < files_.size(); ++k) {
        const FileEntry& f = files_[k];
        const int row = int(k);
        QString state;
        switch (f.state) {
            case FileEntry::State::Waiting: state = Tr("ждёт"); break;
            case FileEntry::State::Running: state = Tr("пишется…"); break;
            case FileEntry::State::Done:
                ++done;
                if (!f.result.failures.empty()) state = Tr("не записан");
                else if (f.result.outcome == SaveOutcome::Stopped) state = Tr("остановлен, файл цел");
                else if (f.result.outcome == SaveOutcome::WrittenWithWarnings || !f.result.warnings.empty()) state = Tr("записан с предупреждениями");
                else state = Tr("записан");
                break;
        }
        ListBF->setItem(row, State, Fixed(state));
        if (!previews && ListBF->item(row, Preview)) continue;
        QString tracks, preview;
        for (const TrackFacts& t : f.facts)
            tracks += (tracks.isEmpty() ? "" : ", ") + QString::number(t.number) + ' ' + TrackTypeLetter(t.type) + ' ' +
                      FromCore(t.language.empty() ? t.languageBCP47 : t.language);
        if (!f.readFailure.empty()) {
            preview = Tr("не прочитан: ") + FromCore(f.readFailure);
        } else {
            const TrackPlan plan = PlanTracks(f.facts, rules);
            if (!plan.failures.empty()) {
                QStringList why;
                for (const std::string& failure : plan.failures) why << FromCore(failure);
                preview = Tr("не будет записан: ") + why.join("; ");
            } else {
                for (const TrackPlan::Kept& kept : plan.kept)
                    preview += (preview.isEmpty() ? "" : ", ") + QString::number(f.facts[kept.index].number) +
                               (kept.makeDefault ? "*" : "");
            }
        }
        ListBF->setItem(row, File, Fixed(QFileInfo(FromCore(f.path)).fileName()));
        ListBF->item(row, File)->setToolTip(FromCore(f.path));
        ListBF->setItem(row, Tracks, Fixed(tracks));
        ListBF->setItem(row, Preview, Fixed(preview));
    }
    BarBALL->setMaximum(int(std::max<size_t>(files_.size(), 1)));
    BarBALL->setValue(int(done));
}

void TFormBatch::ShowLog(int row) {
    std::lock_guard lock(mutex_);
    if (row < 0 || size_t(row) >= files_.size()) return;
    const FileEntry& f = files_[size_t(row)];
    QStringList text;
    for (const std::string& line : f.log) text << FromCore(line);
    for (const std::string& line : f.result.warnings) text << FromCore(line);
    for (const std::string& line : f.result.failures) text << FromCore(line);
    if (!f.output.empty() && f.state == FileEntry::State::Done && f.result.failures.empty())
        text << FromCore(f.output) + "  " + QString::number(f.result.writtenBytes) + ' ' + Tr("байт");
    MemoBL->setPlainText(text.join('\n'));
}

void TFormBatch::Start() {
    if (running_ || files_.empty()) return;
    const QString folder = EditBOD->text();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        LabelBSUM->setText(Tr("нет такой папки") + (folder.isEmpty() ? QString() : ": " + folder));
        EditBOD->setFocus();
        return;
    }
    ReadChoices();
    RememberChoices();
    std::vector<std::string> inputs;
    for (const FileEntry& f : files_) inputs.push_back(f.path);
    const std::vector<std::string> outputs = BatchOutputNames(inputs, ToCore(folder));
    {
        std::lock_guard lock(mutex_);
        for (size_t k = 0; k < files_.size(); ++k) {
            files_[k].output = outputs[k];
            files_[k].state = FileEntry::State::Waiting;
            files_[k].result = {};
            files_[k].log.clear();
        }
    }
    running_ = true;
    stop_ = false;
    ButtonBGO->setEnabled(false);
    ButtonBST->setEnabled(true);
    ButtonBADD->setEnabled(false);
    ButtonBUP->setEnabled(false);
    ButtonBDN->setEnabled(false);
    GridBT->setEnabled(false);
    LabelBSUM->clear();
    ShowFiles();
    RemuxOptions options;
    options.chapters = CheckBCH->isChecked();
    options.attachments = CheckBAT->isChecked();
    options.tags = CheckBTG->isChecked();
    worker_ = std::thread(&TFormBatch::Work, this, Rules(), options, false);
    poll_->start();
}

void TFormBatch::Stop() { stop_ = true; }

void TFormBatch::Work(TrackRules rules, RemuxOptions options, bool overwrite) {
    for (size_t k = 0;; ++k) {
        std::string input, output;
        {
            std::lock_guard lock(mutex_);
            if (k >= files_.size()) break;
            if (stop_) break;  // the files not begun stay waiting
            files_[k].state = FileEntry::State::Running;
            input = files_[k].path;
            output = files_[k].output;
        }
        BatchHost host(lang_, stop_, fileMaximum_, filePosition_);
        RuleRemuxResult result = RemuxByRules(input, output, rules, options, overwrite, host);
        std::lock_guard lock(mutex_);
        files_[k].result = std::move(result);
        files_[k].log = std::move(host.lines);
        files_[k].state = FileEntry::State::Done;
    }
    running_ = false;  // read by Poll on the window's thread after the join
}

void TFormBatch::Poll() {
    const uint64_t maximum = fileMaximum_, position = filePosition_;
    BarBFILE->setMaximum(maximum ? 1000 : 0);
    BarBFILE->setValue(maximum ? int(std::min<uint64_t>(position, maximum) * 1000 / maximum) : 0);
    ShowFiles(false);
    ShowLog(ListBF->currentRow());
    if (!running_) Finish();
}

void TFormBatch::Finish() {
    poll_->stop();
    if (worker_.joinable()) worker_.join();
    ShowFiles();
    size_t written = 0, failed = 0, stopped = 0, waiting = 0;
    for (const FileEntry& f : files_) {
        if (f.state != FileEntry::State::Done) ++waiting;
        else if (!f.result.failures.empty()) ++failed;
        else if (f.result.outcome == SaveOutcome::Stopped) ++stopped;
        else ++written;
    }
    LabelBSUM->setText(Tr("записано:") + ' ' + QString::number(written) + ", " + Tr("не записано:") + ' ' + QString::number(failed) +
                       ", " + Tr("остановлено:") + ' ' + QString::number(stopped) + ", " + Tr("не начато:") + ' ' +
                       QString::number(waiting));
    ButtonBGO->setEnabled(true);
    ButtonBST->setEnabled(false);
    ButtonBADD->setEnabled(true);
    ButtonBUP->setEnabled(true);
    ButtonBDN->setEnabled(true);
    GridBT->setEnabled(true);
    BarBFILE->setMaximum(1);
    BarBFILE->setValue(0);
    emit finished();
}

void TFormBatch::RememberChoices() const {
    QStringList lines;
    for (const TrackGroup& g : groups_)
        lines << GroupKey(g) + '|' + (g.keep ? 'y' : 'n') + (g.makeDefault ? 'y' : 'n') + (g.makeForced ? 'y' : 'n') + '|' +
                     FromCore(g.newName);
    WriteSetting("BatchChoices", lines.join('\n'));
    WriteSetting("BatchFolder", EditBOD->text());
}

void TFormBatch::RecallChoices() {
    if (EditBOD->text().isEmpty()) EditBOD->setText(ReadSetting("BatchFolder"));
    const QStringList lines = ReadSetting("BatchChoices").split('\n', Qt::SkipEmptyParts);
    for (TrackGroup& g : groups_) {
        const QString key = GroupKey(g) + '|';
        for (const QString& line : lines) {
            if (!line.startsWith(key)) continue;
            const QStringList rest = line.mid(key.size()).split('|');
            if (rest.size() < 2 || rest[0].size() != 3) continue;
            // Only a group never chosen in this window takes what was remembered.
            if (g.keep && !g.makeDefault && !g.makeForced && g.newName.empty()) {
                g.keep = rest[0][0] == 'y';
                g.makeDefault = rest[0][1] == 'y';
                g.makeForced = rest[0][2] == 'y';
                g.newName = ToCore(rest.mid(1).join('|'));
            }
        }
    }
}

void TFormBatch::MoveSelectedGroup(bool up) {
    const int row = GridBT->currentRow();
    if (running_ || row < 0) return;
    ReadChoices();
    if (!MoveGroup(groups_, size_t(row), up)) return;
    ShowGroups();
    GridBT->setCurrentCell(up ? row - 1 : row + 1, GridBT->currentColumn());
    ShowFiles();
}

void TFormBatch::ChooseFolder() {
    const QString folder = QFileDialog::getExistingDirectory(this, Tr("папка для новых файлов:"), EditBOD->text());
    if (!folder.isEmpty()) EditBOD->setText(QDir::toNativeSeparators(folder));
}

void TFormBatch::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !running_) event->acceptProposedAction();
}

void TFormBatch::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    event->acceptProposedAction();
    AddFiles(paths);
}

void TFormBatch::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && !running_) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace quillon::ui
