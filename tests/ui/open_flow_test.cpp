// Opening files: the header read and the container checks, the structure
// tree they leave, the read-state picture, the refusals and the big-file
// question.
#include <unistd.h>
#include <QAction>
#include <QTest>
#include <QScrollBar>
#include <QApplication>
#include <QDir>
#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeView>

#include "ui/structure_model.h"
#include "ui/structure_tree_view.h"
#include "ui/ui_text.h"
#include "ui/clickable_image.h"
#include "ui_test_support.h"
#include "save/output_name.h"
#include "save/save_command.h"

namespace quillon::ui::test {
namespace {

class OpenFlowTest : public UiTest {
protected:
    StructureModel& model() { return *main().structureModel(); }
    QString Text(const QModelIndex& index) { return index.data().toString(); }
    bool Shows(const QLabel* image, const QPixmap& picture) { return image->pixmap().toImage() == picture.toImage(); }
    // The first element row with this name.
    int RowNamed(const char* name) {
        const tabrick& lista = main().document().lista;
        for (size_t r = 0; r < lista.size(); ++r)
            if (std::string_view(lista[r].name()) == name) return static_cast<int>(r);
        return -1;
    }
};

struct OpenCase {
    const char* what;
    bool containerTab;
    bool full;
    ReadState state;
    QPixmap TFormMain::*picture;
    bool checkFcEnabled;
};

TEST_F(OpenFlowTest, OpensTheSampleOnEachTab) {
    const OpenCase cases[] = {
        {"header read", false, false, ReadState::Header, &TFormMain::Image100, false},
        {"quick check", true, false, ReadState::QuickTree, &TFormMain::Image100, true},
        {"full check", true, true, ReadState::FullTree, &TFormMain::Image111, true},
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.what);
        OpenOn(SamplePath(), c.containerTab ? Find<QWidget>("TabSheetCH") : Find<QWidget>("TabSheetRE"), c.full);
        EXPECT_EQ(main().document().readState, c.state);
        EXPECT_TRUE(Shows(main().ImageRE, main().*c.picture));
        EXPECT_EQ(main().CheckFC->isEnabled(), c.checkFcEnabled);
        EXPECT_EQ(main().CheckFC->isChecked(), c.full);
        EXPECT_EQ(main().LabelST->text(), "r e a d y");
        EXPECT_EQ(Find<QLineEdit>("EditOUT")->text(), FromCore(makeOutFN(ToCore(SamplePath()))));
        EXPECT_EQ(Find<QTableWidget>("Tracks")->rowCount(), 4);

        // Every reading builds the tree: EBML and Segment at the top.
        ASSERT_EQ(model().rowCount(), 2);
        const QModelIndex ebml = model().index(0, 0), segment = model().index(1, 0);
        EXPECT_EQ(Text(ebml), "EBML [40]");
        EXPECT_EQ(Text(segment), "Segment [66605]");
        ASSERT_EQ(model().rowCount(ebml), 7);
        EXPECT_EQ(Text(model().index(0, 0, ebml)), "EBMLVersion [4] = 1");
        EXPECT_EQ(Text(model().index(4, 0, ebml)), "DocType [11] = matroska");
        EXPECT_EQ(Text(model().IndexOfRow(RowNamed("Title"))), "Title [17] = Quillon sample");
    }
}

TEST_F(OpenFlowTest, FullTreeShowsBlocksAndUtf8NamesAndMatchesTheListShape) {
    OpenOn(SamplePath(), Find<QWidget>("TabSheetCH"), true);
    const tabrick& lista = main().document().lista;
    ASSERT_GT(lista.size(), 100u);

    // The tree's parent of every row is the list's parent, and every row is
    // reachable: the lazy index agrees with the scanner's document order.
    size_t reachable = 0;
    for (size_t r = 0; r < lista.size(); ++r) {
        const QModelIndex node = model().IndexOfRow(static_cast<int>(r));
        ASSERT_TRUE(node.isValid());
        EXPECT_EQ(model().ElementRow(model().parent(node)), lista[r].parent) << "row " << r;
        EXPECT_EQ(model().ElementRow(model().index(node.row(), 0, model().parent(node))), static_cast<int>(r));
        reachable += model().rowCount(node);
    }
    EXPECT_EQ(reachable + model().rowCount(), lista.size());

    bool audioBlock = false, cyrillicName = false;
    for (size_t r = 0; r < lista.size(); ++r) {
        const QString text = Text(model().IndexOfRow(static_cast<int>(r)));
        audioBlock |= text ==
                      "SimpleBlock [3080]  (track: 2, 8 keyframes, timecode: 0, lacetype: 10, size(s): 384, 384, 384, "
                      "384, 384, 384, 384, 384)";
        cyrillicName |= text == QStringLiteral("Name [11] = Звук");
    }
    EXPECT_TRUE(audioBlock);
    EXPECT_TRUE(cyrillicName);
}

TEST_F(OpenFlowTest, ModelPassesTheItemModelTester) {
    OpenOn(SamplePath(), Find<QWidget>("TabSheetCH"), true);
    static QStringList failures;
    failures.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type != QtDebugMsg && type != QtInfoMsg) failures << message;
    });
    {
        QAbstractItemModelTester tester(&model(), QAbstractItemModelTester::FailureReportingMode::Warning);
        Find<StructureTreeView>("TreeEBML")->expandAll();
        model().Clear();
        model().Rebuild();
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
}

TEST_F(OpenFlowTest, LogsLoadingAndIndexingOnlyInFullMode) {
    OpenOn(SamplePath(), Find<QWidget>("TabSheetCH"), true);
    const QStringList full = LogLines();
    const auto loading = full.indexOf("• загрузка данных"), indexing = full.indexOf("• индексирование"),
               complete = full.indexOf("• операция завершена");
    EXPECT_GE(loading, 0);
    EXPECT_GT(indexing, loading);
    EXPECT_GT(complete, indexing);

    OpenOn(SamplePath(), Find<QWidget>("TabSheetCH"), false);
    EXPECT_FALSE(LogLines().contains("• загрузка данных"));
    EXPECT_TRUE(LogLines().contains("• быстрая проверка контейнера"));
}

TEST_F(OpenFlowTest, EmptyNameGetsThePlaceholderWhichIsNeverOpened) {
    OpenOn(QString(), Find<QWidget>("TabSheetRE"));
    EXPECT_EQ(main().EditIN->text(), QStringLiteral("сюда надо положить имя файла"));
    main().BitBtnHDRClick();  // the placeholder only blinks
    EXPECT_EQ(main().EditIN->text(), QStringLiteral("сюда надо положить имя файла"));
    EXPECT_EQ(main().document().readState, ReadState::Nothing);
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(OpenFlowTest, UnopenableFileIsLoggedAndToldWhy) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("a-folder.mkv");
    QDir().mkpath(folder);
    const QString locked = dir.filePath("locked.mkv");
    QFile::copy(SamplePath(), locked);
    QFile::setPermissions(locked, QFileDevice::WriteOwner);
    const bool root = ::geteuid() == 0;  // root reads every file
    const struct {
        QString path;
        const char* told;
    } cases[] = {
        {"/nonexistent/film.mkv", "файл не найден"},
        {dir.filePath("gone.mkv"), "файл не найден"},
        {folder, "это не обычный файл"},
        {locked, "нет доступа к файлу"},
    };
    for (const auto& c : cases) {
        if (root && c.path == locked) continue;
        SCOPED_TRACE(c.path.toStdString());
        Find<QLineEdit>("EditOUT")->setText("untouched");
        ModalSeen& seen = AnswerNextModal(true);
        OpenOn(c.path, Find<QWidget>("TabSheetCH"));
        EXPECT_TRUE(seen.shown);
        EXPECT_EQ(seen.className, "TFormME");
        EXPECT_EQ(seen.text, QString::fromUtf8(c.told));
        EXPECT_EQ(LogLines(), QStringList{QStringLiteral("• ошибка открытия файла")});
        EXPECT_EQ(Find<QLineEdit>("EditOUT")->text(), "untouched");
        EXPECT_EQ(main().LabelST->text(), "r e a d y");
        EXPECT_TRUE(main().ImageWO->isHidden());
    }
}

TEST(GbTextTest, WholeGigabytesAndHundredths) {
    const std::pair<uint64_t, const char*> cases[] = {
        {1000000001, "1"}, {1500000000, "1,50"}, {2340000000, "2,34"}, {999999999, "0,99"}, {12000000000, "12"},
    };
    for (const auto& [size, text] : cases) EXPECT_EQ(GbText(size), text) << size;
}

TEST_F(OpenFlowTest, BigFileQuestionOnlyAfterTheDialogAndAboveOneGigabyte) {
    struct BigCase {
        uint64_t size;
        bool chosenInDialog;
        const char* question;  // nullptr: none asked
    };
    const BigCase cases[] = {
        {1000000000, true, nullptr},
        {1000000001, true, "Внимание!  Размер файла равен 1Gb.\nДумать буду долго."},
        {2340000000, true, "Внимание!  Размер файла равен 2,34Gb.\nДумать буду долго."},
        {2340000000, false, nullptr},  // a name typed by hand
    };
    QTemporaryDir dir;
    for (const BigCase& c : cases) {
        SCOPED_TRACE(c.size);
        const QString path = dir.filePath(QString::number(c.size) + ".mkv");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(static_cast<qint64>(c.size)));  // sparse: no disk needed
        file.close();

        Find<QCheckBox>("Check1G")->setChecked(true);
        main().bigFileWarningPending = false;
        if (c.chosenInDialog)
            main().OpenChosenFile(path);
        else
            main().EditIN->setText(path);
        ModalSeen& seen = AnswerNextModal(false);  // "не приставай"
        main().BitBtnHDRClick();
        EXPECT_EQ(seen.shown, c.question != nullptr);
        if (c.question) {
            EXPECT_EQ(seen.text, QString::fromUtf8(c.question));
            EXPECT_EQ(seen.yes, QStringLiteral(" я знаю "));
            EXPECT_EQ(seen.no, QStringLiteral("не приставай"));
            EXPECT_FALSE(Find<QCheckBox>("Check1G")->isChecked());
        }
        // The file is read in either case (here: it is no Matroska file).
        EXPECT_TRUE(LogLines().contains("• отсутствует сигнатура 1A45DFA3"));
        if (c.size > 1000000000) {
            EXPECT_FALSE(main().bigFileWarningPending);
        }
        CancelModalAnswer();
    }
}

TEST_F(OpenFlowTest, ContainerTabBuildsTheTreeOfASaveScanWithoutReadingAgain) {
    QTemporaryDir dir;
    const QString copy = dir.filePath("copy.mkv");
    ASSERT_TRUE(QFile::copy(SamplePath(), copy));
    OpenOn(copy, Find<QWidget>("TabSheetRE"));
    ASSERT_TRUE(prepare2export(main().document(), main().host()));
    ASSERT_EQ(main().document().readState, ReadState::FullNoTree);
    ASSERT_TRUE(QFile::remove(copy));

    main().PageControl1->setCurrentWidget(Find<QWidget>("TabSheetCH"));
    EXPECT_EQ(main().document().readState, ReadState::FullTree);
    EXPECT_EQ(model().rowCount(), 2);
    EXPECT_GT(model().rowCount(model().index(1, 0)), 5);
    EXPECT_TRUE(main().CheckFC->isChecked());
    EXPECT_TRUE(LogLines().contains("• данные загружены"));
    EXPECT_TRUE(Shows(main().ImageRE, main().Image111));
    EXPECT_EQ(main().BitBtnHDR->text(), QStringLiteral("открыть и проверить контейнер"));
}

TEST_F(OpenFlowTest, FindBlockOpensTheBranchOfTheNextBlockOfTheTrack) {
    OpenOn(SamplePath(), Find<QWidget>("TabSheetCH"), true);
    QTreeView& tree = *Find<StructureTreeView>("TreeEBML");
    tree.setCurrentIndex(model().index(0, 0));
    Find<QAction>("MIfb")->trigger();
    ASSERT_TRUE(Find<QFrame>("PanelFB")->isVisible());

    Find<QLineEdit>("EditFBTN")->setText("7");  // no such track: the panel stays
    QTest::mouseClick(Find<ClickableImage>("Image8"), Qt::LeftButton);
    EXPECT_TRUE(Find<QFrame>("PanelFB")->isVisible());

    Find<QLineEdit>("EditFBTN")->setText("2");
    QTest::mouseClick(Find<ClickableImage>("Image8"), Qt::LeftButton);
    EXPECT_FALSE(Find<QFrame>("PanelFB")->isVisible());
    int block = -1;
    const tabrick& lista = main().document().lista;
    for (size_t r = 0; r < lista.size() && block < 0; ++r)
        if (lista[r].isBlock() && lista[r].block.trackNumber == 2) block = static_cast<int>(r);
    ASSERT_GE(block, 0);
    const QModelIndex cluster = model().parent(model().IndexOfRow(block));
    EXPECT_TRUE(tree.isExpanded(cluster));
    EXPECT_TRUE(tree.isExpanded(model().parent(cluster)));
    // The block is selected, in the middle of the view, and the keys stay with the tree.
    const QModelIndex found = model().IndexOfRow(block);
    EXPECT_EQ(tree.currentIndex(), found);
    const QRect shown = tree.visualRect(found);
    EXPECT_TRUE(tree.viewport()->rect().contains(shown)) << shown.y() << " of " << tree.viewport()->height();
    // Centred, as far as the scroll range lets it.
    const QScrollBar* bar = tree.verticalScrollBar();
    const bool centred = std::abs(shown.center().y() - tree.viewport()->rect().center().y()) < shown.height() * 2;
    EXPECT_TRUE(centred || (bar->value() == bar->minimum() && shown.center().y() < tree.viewport()->rect().center().y()) ||
                (bar->value() == bar->maximum() && shown.center().y() > tree.viewport()->rect().center().y()));
    EXPECT_TRUE(tree.hasFocus() || QApplication::focusWidget() == &tree || !main().isActiveWindow());

    // Pressed again, it goes on to the next block of the track; a block far
    // down the film comes to the middle.
    int next = -1;
    for (size_t r = size_t(block) + 1; r < lista.size() && next < 0; ++r)
        if (lista[r].isBlock() && lista[r].block.trackNumber == 2) next = static_cast<int>(r);
    ASSERT_GE(next, 0);
    QTest::mouseClick(Find<ClickableImage>("Image8"), Qt::LeftButton);
    EXPECT_EQ(tree.currentIndex(), model().IndexOfRow(next));
    int last = -1;
    for (size_t r = 0; r < lista.size(); ++r)
        if (lista[r].isBlock() && lista[r].block.trackNumber == 2) last = static_cast<int>(r);
    tree.setCurrentIndex(model().IndexOfRow(last - 1));
    QTest::mouseClick(Find<ClickableImage>("Image8"), Qt::LeftButton);
    const QRect far = tree.visualRect(model().IndexOfRow(last));
    EXPECT_TRUE(tree.viewport()->rect().contains(far));
    EXPECT_TRUE(std::abs(far.center().y() - tree.viewport()->rect().center().y()) < far.height() * 2 ||
                bar->value() == bar->maximum());
}

TEST_F(OpenFlowTest, ExpandAndCollapseWholeBranches) {
    OpenOn(SamplePath(), Find<QWidget>("TabSheetCH"), true);
    QTreeView& tree = *Find<StructureTreeView>("TreeEBML");
    const QModelIndex segment = model().index(1, 0);
    const QModelIndex cluster = model().IndexOfRow(RowNamed("Cluster"));
    tree.setCurrentIndex(segment);
    Find<QAction>("MIexpand")->trigger();
    EXPECT_TRUE(tree.isExpanded(segment));
    EXPECT_TRUE(tree.isExpanded(cluster));
    Find<QAction>("MIcollapse")->trigger();
    EXPECT_FALSE(tree.isExpanded(segment));
    EXPECT_FALSE(tree.isExpanded(cluster));
}

TEST_F(OpenFlowTest, PopupOffersWhatTheSelectedNodeAllows) {
    OpenOn(SamplePath(), Find<QWidget>("TabSheetCH"), true);
    QTreeView& tree = *Find<StructureTreeView>("TreeEBML");
    tree.setCurrentIndex(model().IndexOfRow(RowNamed("FileName")));
    ShowTreePopup();
    EXPECT_TRUE(Find<QAction>("MIsave")->isVisible());
    EXPECT_TRUE(Find<QAction>("MIview")->isVisible());  // the attachment is text/plain
    EXPECT_TRUE(Find<QAction>("MIfb")->isEnabled());

    tree.setCurrentIndex(model().index(0, 0));
    ShowTreePopup();
    EXPECT_FALSE(Find<QAction>("MIsave")->isVisible());
    EXPECT_FALSE(Find<QAction>("MIview")->isVisible());

    OpenOn(SamplePath(), Find<QWidget>("TabSheetCH"), false);
    ShowTreePopup();
    EXPECT_FALSE(Find<QAction>("MIfb")->isEnabled());  // blocks are listed by the full check only
}

}  // namespace
}  // namespace quillon::ui::test
