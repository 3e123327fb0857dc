// The batch window: many files remuxed by one set of choices. The files (or
// folders) dropped or added are listed with their tracks; a table shows the
// distinct tracks across them (type, language, codec, name, in how many
// files) where keep, default, forced and a new name are chosen once; each
// file's line previews what will be written or why it cannot be; the run
// goes file after file on a worker thread with its progress, the stop
// button, and each file's result and log. The choices and the folder are
// remembered.
#pragma once

#include <QWidget>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/host.h"
#include "core/track_groups.h"
#include "save/rule_remux.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace quillon::ui {

class TFormBatch : public QWidget {
    Q_OBJECT
public:
    explicit TFormBatch(Lang lang, QWidget* parent = nullptr);
    ~TFormBatch() override;

    // Matroska files, and the Matroska files of folders (not their subfolders).
    void AddFiles(const QStringList& paths);
    void Start();
    void Stop();
    bool Running() const { return running_; }
    // The rules the table's choices make (what Start runs).
    TrackRules Rules() const;

signals:
    void finished();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct FileEntry {
        std::string path;
        std::vector<TrackFacts> facts;
        std::string readFailure;
        std::string output;
        enum class State { Waiting, Running, Done } state = State::Waiting;
        RuleRemuxResult result;
        std::vector<std::string> log;
    };

    QString Tr(const char* rus) const;
    void BuildControls();
    void ShowGroups();
    void ReadChoices();        // the table's ticks and names into groups_
    // Each file's state, and with `previews` (or where none is shown yet) its tracks and preview.
    void ShowFiles(bool previews = true);
    void ShowLog(int row);
    void Poll();               // the worker's progress, on the window's thread
    void Work(TrackRules rules, RemuxOptions options, bool overwrite);
    void Finish();
    void RememberChoices() const;
    void RecallChoices();
    void ChooseFolder();
    void MoveSelectedGroup(bool up);

    Lang lang_;
    std::vector<FileEntry> files_;
    std::vector<TrackGroup> groups_;

    QTableWidget* ListBF;   // the files: name, tracks, what will be written, state
    QTableWidget* GridBT;   // the distinct tracks and the choices
    QLineEdit* EditBOD;     // the output folder
    QPushButton* ButtonBOD;
    QPushButton* ButtonBADD;
    QCheckBox* CheckBCH;     // the chapters, the attachments and the tags go into the new files
    QCheckBox* CheckBAT;
    QCheckBox* CheckBTG;
    QPushButton* ButtonBUP;  // the selected group one place earlier in the output
    QPushButton* ButtonBDN;
    QPushButton* ButtonBGO;
    QPushButton* ButtonBST;
    QProgressBar* BarBFILE;  // the file in progress
    QProgressBar* BarBALL;   // all files
    QLabel* LabelBSUM;
    QPlainTextEdit* MemoBL;  // the selected file's log
    QTimer* poll_;

    std::thread worker_;
    std::atomic<bool> running_{false};  // cleared by the worker when it is done
    mutable std::mutex mutex_;          // guards files_' state, result and log while the worker runs
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> fileMaximum_{0}, filePosition_{0};
};

}  // namespace quillon::ui
