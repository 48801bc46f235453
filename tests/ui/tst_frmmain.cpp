#include "common/Failure.h"
#include "common/LocalFileName.h"
#include "generator/clsOutputTableDesign.h"
#include "spreadsheet/Application.h"
#include "support/AnsweringPrompts.h"
#include "support/Fixtures.h"
#include "ui/ApplicationIdentity.h"
#include "ui/CommandLine.h"
#include "ui/DesktopPresenter.h"
#include "ui/FileExtension.h"
#include "ui/HandOverFolders.h"
#include "ui/Prompts.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QWindow>
#include <cstdio>
#include <map>

namespace {

// The open dialog's one filter.
const QStringList OpenFilters = {"Accessファイル(*.mdb;*.adp;*.mda;*.mde;*.ade)"};

// The files of the folder the open dialog shows.
const QStringList FolderOfFiles = {"a.mdb", "B.ADP",   "c.mda",   "d.MDE",     "e.ade",
                                   "h.MdB", "f.accdb", "G.ACCDE", "notes.txt", "mdb"};

// Keeps what the output command hands to the generator; Make writes nothing.
struct GeneratorRecord {
    int created = 0;
    QStringList tables;
    QStringList connectionStrings;
    QList<bool> descriptions; // each setWriteDescriptions
    QList<bool> details;      // each setWriteDetails
    int makes = 0;
    std::function<void()> duringMake; // what else Make does: fail, or tell the user
    std::shared_ptr<spreadsheet::WorkbookPresenter> presenter; // the last generator's
};

class RecordingGenerator : public clsOutputTableDesign {
public:
    RecordingGenerator(const Services &services, GeneratorRecord &record)
        : clsOutputTableDesign(services), record_(record) {
        ++record_.created;
        record_.presenter = services.presenter;
    }
    void AddTable(const QString &name) override { record_.tables << name; }
    void setConnectionString(const QString &text) override { record_.connectionStrings << text; }
    void setWriteDescriptions(bool write) override { record_.descriptions << write; }
    void setWriteDetails(bool write) override { record_.details << write; }
    void Make() override {
        ++record_.makes;
        if (record_.duringMake)
            record_.duringMake();
    }

private:
    GeneratorRecord &record_;
};

QStringList RowNames(const QTreeWidget *list) {
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names << list->topLevelItem(i)->text(0);
    return names;
}

QList<bool> Ticks(const QTreeWidget *list) {
    QList<bool> ticks;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        ticks << (list->topLevelItem(i)->checkState(0) == Qt::Checked);
    return ticks;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    const Services services_;
    std::unique_ptr<frmMain> window_;
    std::shared_ptr<AnsweringPrompts> prompts_;
    GeneratorRecord record_;
    QTemporaryDir dir_;

    QTreeWidget *list() const { return window_->findChild<QTreeWidget *>("lsvTables"); }
    QLineEdit *box() const { return window_->findChild<QLineEdit *>("txtFilename"); }
    QLabel *panel(int n) const {
        return window_->findChild<QLabel *>(QStringLiteral("StatusBar1Panel%1").arg(n));
    }
    QToolButton *button(int index) const {
        return window_->findChild<QToolButton *>(QStringLiteral("Toolbar1Button%1").arg(index));
    }
    QAction *action(const QString &name) const { return window_->findChild<QAction *>(name); }

    // Opens a file the way the user does, through the open command's dialog.
    void open(const QString &path) {
        prompts_->answers << path;
        window_->mitmOpen_Click();
    }

    void drop(QWidget *target, QMimeData *data) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropped);
    }

    // Drags the data over a widget of the shown window and drops it there,
    // through the window as the desktop does: the window hands the events to
    // the widget under the pointer that takes drops, or to one of its
    // parents. Whether the drop was taken.
    bool dropOnWindow(QWidget *spot, QMimeData *data) {
        window_->show();
        if (!QTest::qWaitForWindowExposed(window_.get()))
            return false;
        const QPointF at = spot->mapTo(window_.get(), spot->rect().center());
        QWindow *window = window_->windowHandle();
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &enter);
        QDragMoveEvent move(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &move);
        if (!move.isAccepted()) {
            QDragLeaveEvent leave;
            QCoreApplication::sendEvent(window, &leave);
            return false;
        }
        QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &dropped);
        return dropped.isAccepted();
    }

    static QMimeData *Files(const QStringList &paths) {
        auto *data = new QMimeData;
        QList<QUrl> urls;
        for (const QString &p : paths)
            urls << QUrl::fromLocalFile(p);
        data->setUrls(urls);
        return data;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // The windows' settings go to a place of the test's own, empty at first.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           dir_.filePath("settings"));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.filePath("settings"));
    }

    void init() {
        record_ = GeneratorRecord{};
        prompts_ = std::make_shared<AnsweringPrompts>();
        window_ = std::make_unique<frmMain>(services_);
        window_->setPrompts(prompts_);
        window_->setGeneratorFactory([this](const Services &services) {
            return std::make_unique<RecordingGenerator>(services, record_);
        });
    }
    void cleanup() { window_.reset(); }

    void startUp() {
        QCOMPARE(window_->windowTitle(), QStringLiteral("Quillmere Version 1.1"));
        QCOMPARE(ApplicationIdentity::VersionText(2, 5), QStringLiteral("2.5")); // 2.10.0005
        QCOMPARE(list()->columnCount(), 3);
        const QStringList headers = {"名前", "更新日時", "作成日時"};
        const int widths[] = {188, 120, 120};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(list()->headerItem()->text(i), headers[i]);
            QCOMPARE(list()->columnWidth(i), widths[i]);
        }
        QVERIFY(!list()->isHeaderHidden());
        QCOMPARE(list()->topLevelItemCount(), 0);
        QCOMPARE(box()->text(), QString());
        QVERIFY(box()->isReadOnly());
        QCOMPARE(window_->statusPanelText(1), QString());
        QCOMPARE(window_->statusPanelText(2), QString());
        QCOMPARE(window_->findChild<QLabel *>("Label2")->text(),
                 QStringLiteral("開いている Access データベース"));
        QCOMPARE(window_->findChild<QLabel *>("StatusBar1Panel1")->minimumWidth(), 320);
        QCOMPARE(window_->findChild<QLabel *>("StatusBar1Panel2")->minimumWidth(), 130);

        // Fixed size, no maximise box, the client area below the menu bar.
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QCOMPARE(window_->centralWidget()->size(), QSize(434, 337));
        QCOMPARE(window_->minimumSize(), window_->maximumSize());
        QVERIFY(!(window_->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window_->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!window_->acceptDrops());
        QVERIFY(!window_->centralWidget()->acceptDrops());

        // The list holds the focus from the start.
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(list()));
    }

    void menusAndToolBar() {
        const QList<std::pair<const char *, QString>> menus = {{"mitmFile", "ファイル（&F）"},
                                                               {"mitmEdit", "編集(&E)"},
                                                               {"mitmToolBar", "表示(&D)"},
                                                               {"mitmOutput", "出力（&O）"},
                                                               {"mitmVersionP", "バージョン(&V)"}};
        const QList<QAction *> bar = window_->menuBar()->actions();
        QCOMPARE(bar.size(), menus.size());
        for (int i = 0; i < menus.size(); ++i) {
            QCOMPARE(bar[i]->objectName(), QString(menus[i].first));
            QCOMPARE(bar[i]->text(), menus[i].second);
        }
        const QList<std::pair<const char *, QStringList>> items = {
            {"mitmFile", {"開く（&O）", "アプリケーションの終了（&X）"}},
            {"mitmEdit", {"全選択(&A)", "全解除（&C）"}},
            {"mitmToolBar", {"ツールバー"}},
            {"mitmOutput",
             {"excel に出力（&E）", "説明欄にフィールドの説明を出力(&D)",
              "詳細な定義書を出力(&F)"}},
            {"mitmVersionP", {"パージョン(&V)"}}};
        for (const auto &[menu, captions] : items) {
            const QList<QAction *> actions = window_->findChild<QMenu *>(menu)->actions();
            QCOMPARE(actions.size(), captions.size());
            for (int i = 0; i < captions.size(); ++i) {
                QCOMPARE(actions[i]->text(), captions[i]);
                QVERIFY(actions[i]->shortcut().isEmpty()); // no item has a shortcut key
            }
        }
        QVERIFY(action("mitmTooBar")->isCheckable());
        QVERIFY(action("mitmTooBar")->isChecked());

        const QStringList tips = {"開く", "全選択", "全解除", "出力"};
        int previousX = -1;
        for (int i = 1; i <= 4; ++i) {
            QCOMPARE(button(i)->toolTip(), tips[i - 1]);
            QCOMPARE(button(i)->size(), QSize(23, 22));
            QCOMPARE(button(i)->property("Index").toInt(), i);
            QVERIFY(!button(i)->icon().isNull());
            window_->show();
            QVERIFY(button(i)->x() > previousX); // left to right in index order
            previousX = button(i)->x();
        }
        QVERIFY(!window_->windowIcon().isNull());
    }

    // Where each control stands and how it looks, as the window has always
    // drawn them; the window is shown, so that the tool bar has laid out its
    // buttons.
    void controlsAsDrawn_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("value");
        const auto row = [](const QString &control, const char *property, const QVariant &value) {
            QTest::addRow("%s %s", qPrintable(control), property)
                << control << QByteArray(property) << value;
        };
        row("Toolbar1", "geometry", QRect(0, 0, 434, 22));
        for (int i = 1; i <= 4; ++i) {
            const QString button = QStringLiteral("Toolbar1Button%1").arg(i);
            row(button, "geometry", QRect(23 * (i - 1), 0, 23, 22));
            row(button, "iconSize", QSize(16, 16));
            row(button, "autoRaise", true);
            row(button, "focusPolicy", QVariant::fromValue(Qt::NoFocus));
        }
        row("Label2", "geometry", QRect(8, 40, 209, 14));
        row("txtFilename", "geometry", QRect(0, 56, 433, 18));
        row("lsvTables", "geometry", QRect(0, 72, 433, 241));
        row("lsvTables", "rootIsDecorated", false);
        row("lsvTables", "uniformRowHeights", true);
        row("lsvTables", "allColumnsShowFocus", true);
        row("lsvTables", "sortingEnabled", false);
        row("lsvTables", "selectionMode", QVariant::fromValue(QAbstractItemView::SingleSelection));
        row("lsvTables", "editTriggers",
            QVariant::fromValue(
                QAbstractItemView::EditTriggers(QAbstractItemView::NoEditTriggers)));
        row("StatusBar1", "geometry", QRect(0, 312, 434, 25));
        row("StatusBar1", "sizeGripEnabled", false);
        for (const char *panel : {"StatusBar1Panel1", "StatusBar1Panel2"}) {
            row(panel, "frameShape", QVariant::fromValue(QFrame::Panel));
            row(panel, "frameShadow", QVariant::fromValue(QFrame::Sunken));
        }
    }
    void controlsAsDrawn() {
        QFETCH(QString, control);
        QFETCH(QByteArray, property);
        QFETCH(QVariant, value);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        const QWidget *widget = window_->findChild<QWidget *>(control);
        QVERIFY(widget);
        const QVariant actual = widget->property(property.constData());
        const auto described = [](const QVariant &v) {
            QString text;
            QDebug(&text) << v;
            return text;
        };
        QVERIFY2(actual == value, qPrintable(described(actual) + "instead of " + described(value)));
    }

    // What the window itself gives its controls: the caption's boxes, the
    // 9-point font the places are drawn for, a box that looks like no box
    // to type into, the panels side by side in the status bar; Tab goes
    // between the list and the box, the only controls that take the focus.
    void windowLook() {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QCOMPARE(window_->windowFlags(), Qt::Window | Qt::CustomizeWindowHint |
                                             Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                             Qt::WindowMinimizeButtonHint |
                                             Qt::WindowCloseButtonHint);
        QCOMPARE(window_->font().pointSize(), 9);
        QCOMPARE(list()->font(), window_->font());
        QCOMPARE(box()->palette().color(QPalette::Base), box()->palette().color(QPalette::Button));
        QCOMPARE(panel(1)->parentWidget(), window_->findChild<QStatusBar *>("StatusBar1"));
        QVERIFY(panel(1)->isVisible() && panel(2)->isVisible());
        QVERIFY(panel(1)->x() < panel(2)->x()); // laid out by the status bar, in its frame
        QVERIFY(panel(1)->y() > 0);
        QCOMPARE(panel(2)->y(), panel(1)->y());
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(list()));
        QTest::keyClick(list(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(box()));
        QTest::keyClick(box(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(list()));
    }

    void toolBarCanBeHidden() {
        window_->show();
        QWidget *toolbar = window_->findChild<QWidget *>("Toolbar1");
        action("mitmTooBar")->trigger();
        QVERIFY(!toolbar->isVisible());
        QVERIFY(!action("mitmTooBar")->isChecked());
        action("mitmTooBar")->trigger();
        QVERIFY(toolbar->isVisible());
        QVERIFY(action("mitmTooBar")->isChecked());
    }

    void exitClosesTheWindow() {
        window_->show();
        action("mitmExit")->trigger();
        QVERIFY(!window_->isVisible());
    }

    // Every fixture lists its user tables with their times, unticked.
    void rebuild_data() {
        QTest::addColumn<QString>("fixture");
        for (const char *f : {"nwind.mdb", "testV1997.mdb", "testV2000.mdb", "indexTestV2000.mdb",
                              "queryTestV2000.mdb", "DateTestDatabase.mdb", "linkerTestV2007.accdb",
                              "adox_jet4.mdb"})
            QTest::newRow(f) << f;
    }
    void rebuild() {
        REQUIRE_FIXTURES();
        QFETCH(QString, fixture);
        open(Fixtures::path(fixture));
        QCOMPARE(prompts_->messages, QStringList());
        QCOMPARE(box()->text(), Fixtures::path(fixture));

        QHash<QString, QJsonObject> expected;
        for (const QJsonValue &t : Fixtures::expected(fixture).value("tables").toArray())
            expected.insert(t.toObject().value("name").toString(), t.toObject());
        QStringList names = RowNames(list());
        QCOMPARE(names.size(), expected.size());
        auto rounded = [](const QString &text) {
            return QDateTime::fromString(text, "yyyy-MM-dd HH:mm:ss.zzz")
                .addMSecs(500)
                .toString("yyyy/MM/dd HH:mm:ss");
        };
        for (int i = 0; i < list()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *row = list()->topLevelItem(i);
            QVERIFY2(expected.contains(row->text(0)), qPrintable(row->text(0)));
            QCOMPARE(row->text(1), rounded(expected[row->text(0)].value("modified").toString()));
            QCOMPARE(row->text(2), rounded(expected[row->text(0)].value("created").toString()));
            QCOMPARE(row->checkState(0), Qt::Unchecked);
            QVERIFY(row->flags() & Qt::ItemIsUserCheckable);
            QVERIFY(!(row->flags() & Qt::ItemIsEditable));
        }
        for (int i = 1; i < names.size(); ++i) // in the catalog's order
            QVERIFY(names[i - 1].compare(names[i], Qt::CaseInsensitive) < 0);
        QCOMPARE(window_->statusPanelText(2),
                 QStringLiteral("%1個のテーブル").arg(expected.size()));
        QCOMPARE(window_->statusPanelText(1), QStringLiteral("テーブルリストを取得しました。"));
    }

    void failedOpen() {
        REQUIRE_FIXTURES();
        open(Fixtures::path("testV2000.mdb"));
        QCOMPARE(window_->statusPanelText(2), QStringLiteral("4個のテーブル"));

        // The window keeps its words; why the file did not open goes to its log.
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression("^cannot open .*missing.mdb : ファイルがありません"));
        open(dir_.filePath("missing.mdb"));
        QCOMPARE(prompts_->messages, QStringList{"DB接続に失敗しました。"});
        QCOMPARE(window_->statusPanelText(1), QStringLiteral("DB接続に失敗しました。"));
        QCOMPARE(window_->statusPanelText(2), QStringLiteral("4個のテーブル"));
        QCOMPARE(list()->topLevelItemCount(), 0);
        // Why, in Japanese, where the user can read it: the panel's tool tip.
        QCOMPARE(panel(1)->toolTip(), QStringLiteral("ファイルがありません"));

        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("password.mdb : パスワードで保護されています$"));
        open(Fixtures::path("password.mdb"));
        QCOMPARE(prompts_->messages.size(), 2);
        QCOMPARE(list()->topLevelItemCount(), 0);
        QCOMPARE(panel(1)->toolTip(), QStringLiteral("パスワードで保護されています"));
        open(Fixtures::path("testV2000.mdb"));
        QCOMPARE(panel(1)->toolTip(), QString()); // the panel tells no failure now
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("password.mdb : パスワードで保護されています$"));
        open(Fixtures::path("password.mdb"));

        // The window never empties the box; were it emptied, the rebuild says
        // that no file is given.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(": ファイルが指定されていません$"));
        box()->setText(QString());
        QCOMPARE(prompts_->messages.last(), QStringLiteral("DB接続に失敗しました。"));
        QCOMPARE(window_->statusPanelText(1), QStringLiteral("ファイルが指定されていません。"));
        QCOMPARE(window_->statusPanelText(2), QStringLiteral("4個のテーブル"));
    }

    // The dialog shows the filter, starts at the last file chosen, and a
    // cancel changes nothing.
    void openDialog() {
        REQUIRE_FIXTURES();
        open(Fixtures::path("testV2000.mdb"));
        QCOMPARE(prompts_->filters, QList<QStringList>{OpenFilters});
        list()->topLevelItem(0)->setCheckState(0, Qt::Checked);
        window_->mitmOpen_Click(); // cancelled
        QCOMPARE(prompts_->previousNames.last(), Fixtures::path("testV2000.mdb"));
        QCOMPARE(box()->text(), Fixtures::path("testV2000.mdb"));
        QCOMPARE(Ticks(list()), (QList<bool>{true, false, false, false}));
        QCOMPARE(prompts_->messages, QStringList());
    }

    // The program's own dialog with the window's filters: the first is the
    // one chosen when it opens, and each lists the files it names, in either
    // case.
    void openDialogFilters_data() {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("Access") << 0 << QStringList{"a.mdb", "B.ADP", "c.mda",
                                                    "d.MDE", "e.ade", "h.MdB"};
    }
    void openDialogFilters() {
        QFETCH(int, filter);
        QFETCH(QStringList, listed);
        listed.sort();
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        for (const QString &name : FolderOfFiles) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QStringList captions, shown;
        QString chosenAtFirst;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            chosenAtFirst = dialog->selectedNameFilter();
            if (auto *types = dialog->findChild<QComboBox *>("fileTypeCombo"))
                for (int i = 0; i < types->count(); ++i)
                    captions << types->itemText(i);
            dialog->selectNameFilter(dialog->nameFilters().value(filter));
            auto *files = dialog->findChild<QListView *>("listView");
            auto listing = [&] {
                QStringList names;
                for (int row = 0; files && row < files->model()->rowCount(files->rootIndex());
                     ++row)
                    names << files->model()->index(row, 0, files->rootIndex()).data().toString();
                names.sort();
                return names;
            };
            static_cast<void>(QTest::qWaitFor([&] { return listing() == listed; }, 5000));
            shown = listing();
            dialog->reject();
        });
        QCOMPARE(Prompts().openFileName(window_.get(), OpenFilters, folder.filePath("a.mdb")),
                 QString());
        QCOMPARE(captions, OpenFilters); // as written, without the patterns the dialog applies
        QCOMPARE(chosenAtFirst, OpenFilters.first());
        QCOMPARE(shown, listed);
    }

    void drops_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("taken");
        QTest::newRow("mixed-case extension") << QStringList{"Orders.MdB"} << true;
        QTest::newRow("project file") << QStringList{"app.adp"} << true;
        QTest::newRow("add-in") << QStringList{"tools.MDA"} << true;
        QTest::newRow("compiled") << QStringList{"run.mde"} << true;
        QTest::newRow("compiled project") << QStringList{"run.ade"} << true;
        QTest::newRow("2007 format") << QStringList{"new.accdb"} << false;
        QTest::newRow("compiled 2007 format") << QStringList{"run.ACCDE"} << false;
        QTest::newRow("workgroup file") << QStringList{"system.mdw"} << false;
        QTest::newRow("no extension") << QStringList{"mdb"} << false;
        QTest::newRow("only the second is a database")
            << QStringList{"notes.txt", "data.mdb"} << false;
        QTest::newRow("first of two") << QStringList{"data.mdb", "notes.txt"} << true;
    }
    void drops() {
        QFETCH(QStringList, files);
        QFETCH(bool, taken);
        QStringList paths;
        for (const QString &f : files)
            paths << dir_.filePath(f);
        for (bool ontoList : {false, true}) {
            init(); // a fresh window for each target
            QWidget *target = ontoList ? list()->viewport() : static_cast<QWidget *>(box());
            std::unique_ptr<QMimeData> data(Files(paths));
            drop(target, data.get());
            QCOMPARE(box()->text(), taken ? paths.first() : QString());
            // The file does not exist: the rebuild reports the failed open.
            QCOMPARE(prompts_->messages.size(), taken ? 1 : 0);
        }
    }

    // The whole list takes drops, its header and scroll bars too, and the
    // file name box; the rest of the window takes none.
    void dropsOntoTheWindow_data() {
        QTest::addColumn<QString>("spot");
        QTest::addColumn<bool>("taken");
        QTest::newRow("rows") << "rows" << true;
        QTest::newRow("header") << "header" << true;
        QTest::newRow("vertical scroll bar") << "vertical scroll bar" << true;
        QTest::newRow("horizontal scroll bar") << "horizontal scroll bar" << true;
        QTest::newRow("file name box") << "txtFilename" << true;
        QTest::newRow("caption") << "Label2" << false;
        QTest::newRow("status bar") << "StatusBar1" << false;
        QTest::newRow("tool bar") << "Toolbar1" << false;
    }
    void dropsOntoTheWindow() {
        QFETCH(QString, spot);
        QFETCH(bool, taken);
        // Scroll bars show only for a long list; here they always do.
        list()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        list()->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        const std::map<QString, QWidget *> parts = {
            {"rows", list()->viewport()},
            {"header", list()->header()},
            {"vertical scroll bar", list()->verticalScrollBar()},
            {"horizontal scroll bar", list()->horizontalScrollBar()}};
        QWidget *target = parts.count(spot) ? parts.at(spot) : window_->findChild<QWidget *>(spot);
        QVERIFY(target);
        const QString path = dir_.filePath("dropped.mdb");
        std::unique_ptr<QMimeData> data(Files({path}));
        QCOMPARE(dropOnWindow(target, data.get()), taken);
        QCOMPARE(box()->text(), taken ? path : QString());
    }

    // A file manager hands over the name's bytes, percent-encoded; a name
    // that is not UTF-8 opens that very file, not the one its lossy
    // decoding would name.
    void dropOfANameThatIsNotUtf8() {
        REQUIRE_FIXTURES();
        const QByteArray name = QFile::encodeName(dir_.path()) + "/l-\xe9.mdb";
        const QByteArray decoy = QString::fromUtf8(name).toUtf8();
        QVERIFY(QFile::copy(Fixtures::path("testV2000.mdb"), QString::fromUtf8(name) + ".tmp"));
        QVERIFY(::rename(QFile::encodeName(QString::fromUtf8(name) + ".tmp").constData(),
                         name.constData()) == 0);
        QVERIFY(QFile::copy(Fixtures::path("nwind.mdb"), QString::fromUtf8(decoy)));
        QMimeData data;
        data.setUrls({QUrl::fromEncoded("file://" + name.toPercentEncoding("/"))});
        drop(box(), &data);
        QCOMPARE(window_->statusPanelText(2), QStringLiteral("4個のテーブル"));
        QCOMPARE(list()->topLevelItem(0)->text(0), QStringLiteral("Table1"));
    }

    // `quillmere FILE`: the file named, made absolute from the start folder,
    // further arguments ignored, any name taken as its bytes.
    void databaseFromCommandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("startFolder");
        QTest::addColumn<QString>("database");
        QTest::newRow("none") << QStringList() << QByteArray("/home/u") << QString();
        QTest::newRow("absolute") << QStringList{"/data/a.mdb"} << QByteArray("/home/u")
                                  << "/data/a.mdb";
        QTest::newRow("relative") << QStringList{"db/a.mdb"} << QByteArray("/home/u")
                                  << "/home/u/db/a.mdb";
        QTest::newRow("dots") << QStringList{"./x/../a.mdb"} << QByteArray("/home/u")
                              << "/home/u/a.mdb";
        QTest::newRow("further ones ignored")
            << QStringList{"a.mdb", "b.mdb", "--x"} << QByteArray("/") << "/a.mdb";
        QTest::newRow("start folder not UTF-8") << QStringList{"a.mdb"} << QByteArray("/caf\xe9")
                                                << LocalFileName::decode("/caf\xe9/a.mdb");
    }
    void databaseFromCommandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, startFolder);
        QFETCH(QString, database);
        QCOMPARE(DatabaseFromCommandLine(arguments, startFolder), database);
    }

    // A file given on the command line is listed as a dropped one; a name a
    // drop would not take is taken, and a file that does not open is told
    // as any failed open.
    void openFileFromOutside_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("tables"); // panel 2, or the message
        QTest::newRow("Jet 4") << "testV2000.mdb"
                               << "4個のテーブル";
        QTest::newRow("2007 format") << "linkerTestV2007.accdb"
                                     << "";
        QTest::newRow("missing") << "missing.mdb"
                                 << "DB接続に失敗しました。";
    }
    void openFileFromOutside() {
        REQUIRE_FIXTURES();
        QFETCH(QString, file);
        QFETCH(QString, tables);
        const QString path = Fixtures::path(file);
        if (file == "missing.mdb")
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot open .*missing.mdb"));
        window_->openFile(path);
        QCOMPARE(box()->text(), path);
        if (tables.startsWith("DB")) {
            QCOMPARE(prompts_->messages, QStringList{tables});
            QCOMPARE(window_->statusPanelText(1), tables);
            return;
        }
        QCOMPARE(prompts_->messages, QStringList());
        QCOMPARE(window_->statusPanelText(1), QStringLiteral("テーブルリストを取得しました。"));
        if (!tables.isEmpty())
            QCOMPARE(window_->statusPanelText(2), tables);
        QVERIFY(list()->topLevelItemCount() > 0);
    }

    void dropsOfOtherKinds() {
        REQUIRE_FIXTURES();
        std::unique_ptr<QMimeData> text(new QMimeData);
        text->setText(Fixtures::path("nwind.mdb"));
        drop(box(), text.get());
        drop(list()->viewport(), text.get());
        QCOMPARE(box()->text(), QString());

        // A folder that is named like a database goes into the box and fails.
        QVERIFY(QDir(dir_.path()).mkpath("folder.mdb"));
        std::unique_ptr<QMimeData> folder(Files({dir_.filePath("folder.mdb")}));
        drop(list()->viewport(), folder.get());
        QCOMPARE(box()->text(), dir_.filePath("folder.mdb"));
        QCOMPARE(prompts_->messages, QStringList{"DB接続に失敗しました。"});
        QCOMPARE(window_->statusPanelText(1), QStringLiteral("DB接続に失敗しました。"));

        // A real database dropped on the list is listed.
        std::unique_ptr<QMimeData> database(Files({Fixtures::path("testV2000.mdb")}));
        drop(list()->viewport(), database.get());
        QCOMPARE(RowNames(list()), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
    }

    // A drop is taken as a copy, or as a link where the source offers no
    // copy; never as a move, which a file manager may take as leave to
    // remove the dropped database. Shift makes the source propose a move.
    void dropsAreNeverMoves_data() {
        QTest::addColumn<Qt::DropActions>("offered");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<Qt::DropAction>("taken"); // IgnoreAction: refused
        QTest::newRow("copy or move") << (Qt::CopyAction | Qt::MoveAction)
                                      << Qt::KeyboardModifiers(Qt::ShiftModifier) << Qt::CopyAction;
        QTest::newRow("move or link") << (Qt::MoveAction | Qt::LinkAction)
                                      << Qt::KeyboardModifiers(Qt::ShiftModifier) << Qt::LinkAction;
        QTest::newRow("move only")
            << Qt::DropActions(Qt::MoveAction) << Qt::KeyboardModifiers() << Qt::IgnoreAction;
    }
    void dropsAreNeverMoves() {
        QFETCH(Qt::DropActions, offered);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(Qt::DropAction, taken);
        const QString path = dir_.filePath("dragged.mdb");
        for (bool ontoList : {false, true}) {
            init(); // a fresh window for each target
            QWidget *target = ontoList ? list()->viewport() : static_cast<QWidget *>(box());
            std::unique_ptr<QMimeData> data(Files({path}));
            QDragEnterEvent enter(QPoint(5, 5), offered, data.get(), Qt::LeftButton, modifiers);
            QCoreApplication::sendEvent(target, &enter);
            QDragMoveEvent move(QPoint(6, 6), offered, data.get(), Qt::LeftButton, modifiers);
            QCoreApplication::sendEvent(target, &move);
            QDropEvent dropped(QPointF(6, 6), offered, data.get(), Qt::LeftButton, modifiers);
            QCoreApplication::sendEvent(target, &dropped);
            for (const QDropEvent *event :
                 {static_cast<QDropEvent *>(&enter), static_cast<QDropEvent *>(&move), &dropped}) {
                QCOMPARE(event->isAccepted(), taken != Qt::IgnoreAction);
                if (event->isAccepted())
                    QCOMPARE(event->dropAction(), taken);
            }
            QCOMPARE(box()->text(), taken == Qt::IgnoreAction ? QString() : path);
        }
    }

    // Choosing or dropping the file shown reads it anew, since it may have
    // changed on disk; once for each choice.
    void sameFileAgainIsReadAnew_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("dialog") << "dialog";
        QTest::newRow("drop on the box") << "box";
        QTest::newRow("drop on the list") << "list";
    }
    void sameFileAgainIsReadAnew() {
        REQUIRE_FIXTURES();
        QFETCH(QString, how);
        const QString path = dir_.filePath("changing.mdb");
        auto choose = [&] {
            if (how == "dialog") {
                open(path);
            } else {
                std::unique_ptr<QMimeData> data(Files({path}));
                drop(how == "list" ? list()->viewport() : static_cast<QWidget *>(box()),
                     data.get());
            }
        };
        QFile::remove(path);
        choose();
        QCOMPARE(prompts_->messages, QStringList{"DB接続に失敗しました。"});

        QVERIFY(QFile::copy(Fixtures::path("testV2000.mdb"), path));
        choose();
        QCOMPARE(RowNames(list()), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
        QVERIFY(QFile::remove(path) && QFile::copy(Fixtures::path("indexTestV2000.mdb"), path));
        choose();
        QCOMPARE(RowNames(list()), (QStringList{"Table1", "Table2", "Table3"}));
        QCOMPARE(window_->statusPanelText(2), QStringLiteral("3個のテーブル"));

        QVERIFY(QFile::remove(path));
        choose();
        QCOMPARE(prompts_->messages,
                 (QStringList{"DB接続に失敗しました。", "DB接続に失敗しました。"}));
        QCOMPARE(list()->topLevelItemCount(), 0);
    }

    void getExtension_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("extension");
        QTest::newRow("file") << "C:\\db\\Sales.mdb"
                              << "MDB";
        QTest::newRow("dot in a folder name") << "C:\\old.files\\data"
                                              << "FILES\\DATA";
        QTest::newRow("no dot") << "data"
                                << "DATA";
        QTest::newRow("mixed case") << "/home/u/Orders.MdB"
                                    << "MDB";
        QTest::newRow("two dots") << "a.b.accdb"
                                  << "ACCDB";
        QTest::newRow("trailing dot") << "name."
                                      << "";
        QTest::newRow("japanese") << "/データ/顧客.mdb"
                                  << "MDB";
    }
    void getExtension() {
        QFETCH(QString, path);
        QFETCH(QString, extension);
        QCOMPARE(GetExtension(path), extension);
    }

    void selection() {
        REQUIRE_FIXTURES();
        // On an empty list the commands do nothing and say nothing.
        window_->mitmSelectAll_Click();
        window_->mitmClear_Click();
        QTest::keyClick(list(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(prompts_->messages, QStringList());

        open(Fixtures::path("testV2000.mdb"));
        const QList<bool> all = {true, true, true, true}, none = {false, false, false, false};
        list()->topLevelItem(1)->setCheckState(0, Qt::Checked);
        action("mitmSelectAll")->trigger();
        QCOMPARE(Ticks(list()), all);
        action("mitmClear")->trigger();
        QCOMPARE(Ticks(list()), none);

        window_->show();
        list()->topLevelItem(2)->setCheckState(0, Qt::Checked);
        QTest::mouseClick(button(2), Qt::LeftButton);
        QCOMPARE(Ticks(list()), all);
        QTest::mouseClick(button(3), Qt::LeftButton);
        QCOMPARE(Ticks(list()), none);

        // Ctrl+A ticks everything, but only in the list.
        QTest::keyClick(box(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(Ticks(list()), none);
        QTest::keyClick(list(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(Ticks(list()), all);
        QTest::keyClick(list(), Qt::Key_B, Qt::ControlModifier);
        window_->lsvTables_KeyPress('a');
        QCOMPARE(Ticks(list()), all);

        window_->Toolbar1_ButtonClick(5); // no such button
        QCOMPARE(Ticks(list()), all);
        QCOMPARE(RowNames(list()), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
    }

    void outputTestsTheConnectionFirst() {
        box()->setText(dir_.filePath("gone.mdb"));
        prompts_->messages.clear();
        QTest::mouseClick(button(4), Qt::LeftButton);
        QCOMPARE(prompts_->messages, QStringList{"DB接続に失敗しました。"});
        QCOMPARE(record_.created, 0);
    }

    void outputWithNothingTicked() {
        REQUIRE_FIXTURES();
        // The list is empty after a failed open; the file appears later.
        const QString path = dir_.filePath("later.mdb");
        QFile::remove(path);
        open(path);
        QVERIFY(QFile::copy(Fixtures::path("testV2000.mdb"), path));
        prompts_->messages.clear();
        action("mitmExcel")->trigger();
        QCOMPARE(prompts_->messages, QStringList{"出力テーブルが選択されていません。"});
        QCOMPARE(record_.created, 0);
    }

    void outputHandsTickedTablesInListOrder() {
        REQUIRE_FIXTURES();
        const QString path = Fixtures::path("testV2000.mdb");
        open(path);
        list()->topLevelItem(2)->setCheckState(0, Qt::Checked);
        list()->topLevelItem(0)->setCheckState(0, Qt::Checked);
        action("mitmExcel")->trigger();
        QCOMPARE(prompts_->messages, QStringList());
        QCOMPARE(record_.created, 1);
        QCOMPARE(record_.tables, (QStringList{"Table1", "Table3"}));
        QCOMPARE(record_.connectionStrings,
                 QStringList{"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";"});
        QCOMPARE(record_.makes, 1);
        QCOMPARE(Ticks(list()), (QList<bool>{true, false, true, false}));

        QTest::mouseClick(button(4), Qt::LeftButton); // a second run, a second generator
        QCOMPARE(record_.created, 2);
        QCOMPARE(record_.makes, 2);
    }

    // Whether descriptions, and whether the detailed workbook, are written is
    // the user's choice, each off at first and on its own (ticking one item
    // leaves the other as it was), handed to each run and kept from one
    // window (and run of the program) to the next.
    void outputChoiceOutlivesTheWindow_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("chosen");
        for (const char *item : {"mitmDescriptions", "mitmDetails"}) {
            QTest::addRow("%s ticked", item) << item << 1 << true;
            QTest::addRow("%s ticked, then unticked", item) << item << 2 << false;
        }
    }
    void outputChoiceOutlivesTheWindow() {
        REQUIRE_FIXTURES();
        QFETCH(QString, item);
        QFETCH(int, clicks);
        QFETCH(bool, chosen);
        const bool descriptions = item == "mitmDescriptions";
        const QString other = descriptions ? "mitmDetails" : "mitmDescriptions";
        QSettings().clear();
        cleanup();
        init();
        QVERIFY(action(item)->isCheckable());
        QVERIFY(!action(item)->isChecked());
        for (int i = 0; i < clicks; ++i)
            action(item)->trigger();
        QCOMPARE(action(item)->isChecked(), chosen);

        cleanup();
        init();
        QCOMPARE(action(item)->isChecked(), chosen);
        QVERIFY(!action(other)->isChecked());
        open(Fixtures::path("testV2000.mdb"));
        list()->topLevelItem(0)->setCheckState(0, Qt::Checked);
        action("mitmExcel")->trigger();
        QCOMPARE(prompts_->messages, QStringList());
        QCOMPARE(record_.descriptions, QList<bool>{descriptions && chosen});
        QCOMPARE(record_.details, QList<bool>{!descriptions && chosen});
        QCOMPARE(record_.makes, 1);
    }

    // A failed run is told, whatever the generator throws, and the program
    // goes on.
    void outputFailureIsShown_data() {
        QTest::addColumn<QString>("thrown");
        QTest::addColumn<QString>("reason");
        QTest::newRow("the generator's failure")
            << "Failure"
            << "シート名「History」は予約されているため使用できません。";
        QTest::newRow("out of memory") << "bad_alloc"
                                       << "メモリが足りません。";
        QTest::newRow("a standard exception") << "runtime_error"
                                              << "disk full";
    }
    void outputFailureIsShown() {
        REQUIRE_FIXTURES();
        QFETCH(QString, thrown);
        QFETCH(QString, reason);
        open(Fixtures::path("testV2000.mdb"));
        action("mitmSelectAll")->trigger();
        record_.duringMake = [&] {
            if (thrown == "Failure")
                throw Failure(FailureKind::RefusedName, reason);
            if (thrown == "bad_alloc")
                throw std::bad_alloc();
            throw std::runtime_error(reason.toStdString());
        };
        action("mitmExcel")->trigger();
        QCOMPARE(prompts_->messages,
                 QStringList{"テーブルデザインのブックを完成できませんでした。\n" + reason});
        record_.duringMake = nullptr;
        action("mitmExcel")->trigger();
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(record_.makes, 2);
    }

    // The failure of a run is told before its workbook opens on the desktop,
    // so that the message is not hidden behind the spreadsheet application.
    void failureIsToldBeforeTheWorkbookOpens() {
        REQUIRE_FIXTURES();
        open(Fixtures::path("testV2000.mdb"));
        action("mitmSelectAll")->trigger();
        QTemporaryDir folders;
        QList<qsizetype> toldBeforeOpening;
        const auto handOver = std::make_shared<DesktopPresenter>(
            [this](const QString &m) { window_->showMessage(m); },
            [&](const QString &) {
                toldBeforeOpening << prompts_->messages.size();
                return true;
            },
            HandOverFolders(folders.path()));
        window_->setHandOver(handOver);
        record_.duringMake = [this] {
            auto application = spreadsheet::Application::Create(record_.presenter);
            application->Workbooks().Add();
            application->setVisible(true);
            application.reset(); // handed over here, as Make does on its way out
            throw Failure(
                FailureKind::RefusedName,
                QStringLiteral("シート名「History」は予約されているため使用できません。"));
        };
        action("mitmExcel")->trigger();
        window_->setHandOver(nullptr);
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(toldBeforeOpening, QList<qsizetype>{1});
    }

    // No message box shows the wait cursor of a running command: not the
    // hand-over's notice, which comes while the run writes, nor the
    // window's own. The command's cursor is back once the box is closed.
    void noWaitCursorOverAMessageBox() {
        REQUIRE_FIXTURES();
        open(Fixtures::path("testV2000.mdb"));
        action("mitmSelectAll")->trigger();
        QList<Qt::CursorShape> afterTheBox;
        record_.duringMake = [&] {
            // As the program's hand-over tells that the desktop did not open the workbook.
            window_->showMessage(
                QStringLiteral("表計算アプリケーションでブックを開けませんでした。"));
            afterTheBox << (QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                                           : Qt::BlankCursor);
            throw Failure(
                FailureKind::RefusedName,
                QStringLiteral("シート名「History」は予約されているため使用できません。"));
        };
        action("mitmExcel")->trigger();
        open(dir_.filePath("missing.mdb"));
        QCOMPARE(prompts_->messages.size(), 3);
        QCOMPARE(prompts_->cursors, QList<Qt::CursorShape>(3, Qt::BlankCursor));
        QCOMPARE(afterTheBox, QList<Qt::CursorShape>{Qt::WaitCursor});
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_frmmain.moc"
