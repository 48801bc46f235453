#include "ui/frmMain.h"

#include "common/Failure.h"
#include "common/LocalFileName.h"
#include "database/Catalog.h"
#include "database/ConnectionString.h"
#include "database/mdlADO.h"
#include "generator/clsOutputTableDesign.h"
#include "ui/ApplicationIdentity.h"
#include "ui/DesktopPresenter.h"
#include "ui/FileExtension.h"
#include "ui/Icons.h"
#include "ui/OverrideCursorPause.h"
#include "ui/Prompts.h"
#include "ui/WindowFont.h"
#include "ui/frmAbout.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QMimeData>
#include <QScopeGuard>
#include <QSettings>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <optional>

// The window's log: why a database did not open, and the reasons behind
// the failures it shows in its own words. On standard error.
Q_LOGGING_CATEGORY(lcWindow, "quillmere.window")

namespace {

// Sizes are logical pixels of the client area below the menu bar.
constexpr int ClientWidth = 434;
constexpr int ClientHeight = 337;
constexpr QSize ToolButtonSize(23, 22);

const QString ConnectFailed = QStringLiteral("DB接続に失敗しました。");
const QString NoFileGiven = QStringLiteral("ファイルが指定されていません。");
const QString ListRead = QStringLiteral("テーブルリストを取得しました。");
const QString TablesSuffix = QStringLiteral("個のテーブル");
const QString NothingTicked = QStringLiteral("出力テーブルが選択されていません。");
// The open dialog's one filter, and the extensions a drop is taken with, as
// the window has always had them. A file of Access 2007 and later opens by
// its name (typed into the dialog, or given on the command line, as a file
// manager does for the type the program installs for it).
const QStringList OpenFilters = {QStringLiteral("Accessファイル(*.mdb;*.adp;*.mda;*.mde;*.ade)")};
const QStringList DroppableExtensions = {"MDB", "ADP", "MDA", "MDE", "ADE"};
const QString RunFailed = QStringLiteral("テーブルデザインのブックを完成できませんでした。\n%1");
const QString ListFailed = QStringLiteral("「%1」のテーブルリストを取得できませんでした。\n%2");
const QString FileNotTaken = QStringLiteral("ファイルを開けませんでした。\n%1");
const QString OutOfMemory = QStringLiteral("メモリが足りません。");
const QString UnknownError = QStringLiteral("原因の分からないエラーが発生しました。");

// Whether field descriptions go into the workbook: the user's choice, kept
// in the desktop's settings place across runs.
const QString DescriptionsSetting = QStringLiteral("output/descriptions");

// The character Ctrl+A types.
constexpr int ControlA = 1;

// The wait cursor, for as long as a command reads a database or writes.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

// Runs the work of an event procedure; what went wrong, in words for the
// user, or nothing when it went through. Nothing may escape into the event
// loop, which would end the program.
template <typename Work> std::optional<QString> ReasonOfFailure(Work &&work) {
    try {
        work();
        return std::nullopt;
    } catch (const Failure &e) {
        if (!e.reason().isEmpty())
            qCWarning(lcWindow).noquote() << e.message() << e.reason();
        return e.message();
    } catch (const std::bad_alloc &) {
        return OutOfMemory;
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return UnknownError;
    }
}

// A drop is taken as a copy, or as a link where the source offers no copy;
// never as a move, which a file manager may take as leave to remove the
// dropped database.
std::optional<Qt::DropAction> DropActionFor(const QDropEvent *event) {
    if (!event->mimeData()->hasUrls())
        return std::nullopt;
    if (event->possibleActions() & Qt::CopyAction)
        return Qt::CopyAction;
    if (event->possibleActions() & Qt::LinkAction)
        return Qt::LinkAction;
    return std::nullopt;
}

// The file a dropped URL names. Its path is the name's bytes percent-encoded,
// which need not be UTF-8: taken as bytes, a Latin-1 or Shift-JIS name
// names its file, where toLocalFile() would make up another name.
QString LocalPathOf(const QUrl &url) {
    if (!url.host().isEmpty())
        return url.toLocalFile();
    return LocalFileName::decode(
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

} // namespace

frmMain::frmMain(Services services, QWidget *parent)
    : QMainWindow(parent), services_(std::move(services)), prompts_(std::make_shared<Prompts>()),
      generatorFactory_([](const Services &services) {
          return std::make_unique<clsOutputTableDesign>(services);
      }) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("テーブルデザインの出力"));
    setWindowIcon(Icons::Icon(QStringLiteral("output")));
    // Fixed size: a minimise box and a close box, no maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setAcceptDrops(false); // only the file name box and the list take drops
    setFont(WindowFont(font()));

    buildControls();
    buildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::buildControls() {
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client);

    toolbar_ = new QWidget(client);
    toolbar_->setObjectName(QStringLiteral("Toolbar1"));
    toolbar_->setGeometry(0, 0, ClientWidth, ToolButtonSize.height());
    auto *buttons = new QHBoxLayout(toolbar_);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(0);
    const std::pair<const char *, QString> toolButtons[] = {
        {"open", QStringLiteral("開く")},
        {"checkTrue", QStringLiteral("全選択")},
        {"checkFalse", QStringLiteral("全解除")},
        {"output", QStringLiteral("出力")}};
    for (int i = 0; i < 4; ++i) {
        auto *button = new QToolButton(toolbar_);
        const int index = i + 1;
        button->setObjectName(QStringLiteral("Toolbar1Button%1").arg(index));
        button->setIcon(Icons::Icon(QString::fromLatin1(toolButtons[i].first)));
        button->setIconSize(QSize(16, 16));
        button->setFixedSize(ToolButtonSize);
        button->setToolTip(toolButtons[i].second);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setProperty("Index", index);
        connect(button, &QToolButton::clicked, this,
                [this, index] { Toolbar1_ButtonClick(index); });
        buttons->addWidget(button);
    }
    buttons->addStretch();

    auto *label = new QLabel(QStringLiteral("開いている Access データベース"), client);
    label->setObjectName(QStringLiteral("Label2"));
    label->setGeometry(8, 40, 209, 14);

    txtFilename_ = new QLineEdit(client);
    txtFilename_->setObjectName(QStringLiteral("txtFilename"));
    txtFilename_->setGeometry(0, 56, 433, 18);
    txtFilename_->setReadOnly(true); // only the program puts a path here
    txtFilename_->setAcceptDrops(true);
    QPalette palette = txtFilename_->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    txtFilename_->setPalette(palette);
    txtFilename_->installEventFilter(this);
    connect(txtFilename_, &QLineEdit::textChanged, this, &frmMain::txtFilename_Change);

    lsvTables_ = new QTreeWidget(client);
    lsvTables_->setObjectName(QStringLiteral("lsvTables"));
    lsvTables_->setGeometry(0, 72, 433, 241);
    lsvTables_->setRootIsDecorated(false);
    lsvTables_->setUniformRowHeights(true);
    lsvTables_->setAllColumnsShowFocus(true);
    lsvTables_->setSelectionMode(QAbstractItemView::SingleSelection);
    lsvTables_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lsvTables_->setSortingEnabled(false);
    lsvTables_->setAcceptDrops(true);
    lsvTables_->viewport()->setAcceptDrops(true);
    lsvTables_->viewport()->installEventFilter(this);
    lsvTables_->installEventFilter(this);

    statusBar_ = new QStatusBar(client);
    statusBar_->setObjectName(QStringLiteral("StatusBar1"));
    statusBar_->setSizeGripEnabled(false);
    statusBar_->setGeometry(0, ClientHeight - 25, ClientWidth, 25);
    const int widths[] = {320, 130};
    for (int i = 0; i < 2; ++i) {
        panels_[i] = new QLabel(statusBar_);
        panels_[i]->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i + 1));
        panels_[i]->setMinimumWidth(widths[i]);
        panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar_->addWidget(panels_[i]);
    }

    // The list holds the focus from the start.
    setTabOrder(lsvTables_, txtFilename_);
    lsvTables_->setFocus();
}

void frmMain::buildMenus() {
    auto menu = [this](const char *name, const QString &caption) {
        QMenu *m = menuBar()->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto item = [this](QMenu *m, const char *name, const QString &caption,
                       void (frmMain::*handler)()) {
        QAction *a = m->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    QMenu *file = menu("mitmFile", QStringLiteral("ファイル（&F）"));
    item(file, "mitmOpen", QStringLiteral("開く（&O）"), &frmMain::mitmOpen_Click);
    item(file, "mitmExit", QStringLiteral("アプリケーションの終了（&X）"),
         &frmMain::mitmExit_Click);
    QMenu *edit = menu("mitmEdit", QStringLiteral("編集(&E)"));
    item(edit, "mitmSelectAll", QStringLiteral("全選択(&A)"), &frmMain::mitmSelectAll_Click);
    item(edit, "mitmClear", QStringLiteral("全解除（&C）"), &frmMain::mitmClear_Click);
    QMenu *view = menu("mitmToolBar", QStringLiteral("表示(&D)"));
    mitmTooBar_ =
        item(view, "mitmTooBar", QStringLiteral("ツールバー"), &frmMain::mitmTooBar_Click);
    mitmTooBar_->setCheckable(true);
    mitmTooBar_->setChecked(true);
    QMenu *output = menu("mitmOutput", QStringLiteral("出力（&O）"));
    item(output, "mitmExcel", QStringLiteral("excel に出力（&E）"), &frmMain::mitmExcel_Click);
    mitmDescriptions_ =
        item(output, "mitmDescriptions", QStringLiteral("説明欄にフィールドの説明を出力(&D)"),
             &frmMain::mitmDescriptions_Click);
    mitmDescriptions_->setCheckable(true);
    mitmDescriptions_->setChecked(QSettings().value(DescriptionsSetting, false).toBool());
    QMenu *version = menu("mitmVersionP", QStringLiteral("バージョン(&V)"));
    item(version, "mitmVersion", QStringLiteral("パージョン(&V)"), &frmMain::mitmVersion_Click);
}

void frmMain::setPrompts(std::shared_ptr<Prompts> prompts) {
    prompts_ = std::move(prompts);
}

void frmMain::setGeneratorFactory(GeneratorFactory factory) {
    generatorFactory_ = std::move(factory);
}

void frmMain::setHandOver(std::shared_ptr<DesktopPresenter> handOver) {
    handOver_ = std::move(handOver);
    services_.presenter = handOver_;
}

QString frmMain::statusPanelText(int panel) const {
    return panels_[panel - 1]->text();
}

void frmMain::setStatusPanel(int panel, const QString &text, const QString &toolTip) {
    panels_[panel - 1]->setText(text);
    panels_[panel - 1]->setToolTip(toolTip);
}

void frmMain::showMessage(const QString &text) {
    const OverrideCursorPause noWaitCursor;
    prompts_->message(this, text);
}

void frmMain::Form_Load() {
    setWindowTitle(QStringLiteral("%1 Version %2")
                       .arg(ApplicationIdentity::Title(), ApplicationIdentity::VersionText()));
    lsvTables_->setHeaderHidden(false);
    lsvTables_->clear();
    lsvTables_->setColumnCount(3);
    lsvTables_->setHeaderLabels(
        {QStringLiteral("名前"), QStringLiteral("更新日時"), QStringLiteral("作成日時")});
    lsvTables_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lsvTables_->header()->setStretchLastSection(false);
    const int widths[] = {188, 120, 120};
    for (int i = 0; i < 3; ++i)
        lsvTables_->setColumnWidth(i, widths[i]);
}

void frmMain::txtFilename_Change() {
    const QString path = txtFilename_->text();
    if (const auto reason = ReasonOfFailure([&] { rebuildList(path); }))
        showMessage(ListFailed.arg(QDir::toNativeSeparators(path), *reason));
}

// Opens the database under the wait cursor. Why it did not open goes to
// the log, and to the caller, which tells the user in the window's own words.
std::shared_ptr<Connection> frmMain::openDatabase(const QString &path, QString *why) {
    QString reason;
    std::shared_ptr<Connection> connection;
    {
        BusyCursor busy;
        connection = mdlADO::OpenAccessConnection(services_.readers, path, &reason);
    }
    if (!connection)
        qCWarning(lcWindow).noquote() << "cannot open" << path << ":" << reason;
    if (why)
        *why = reason;
    return connection;
}

void frmMain::rebuildList(const QString &path) {
    lsvTables_->clear();
    QString why;
    auto connection = openDatabase(path, &why);
    if (!connection) {
        showMessage(ConnectFailed);
        // The message box keeps its words; why, in the user's language, is
        // the tool tip of the panel that tells the failure.
        setStatusPanel(1, path.isEmpty() ? NoFileGiven : ConnectFailed, why);
        return;
    }

    int count = 0;
    {
        BusyCursor busy;
        Catalog catalog;
        catalog.setActiveConnection(connection);
        QList<QTreeWidgetItem *> rows;
        const auto unlisted =
            qScopeGuard([&rows] { qDeleteAll(rows); }); // rows the list did not take
        for (const Table &table : catalog.Tables()) {
            if (table.Type() != QLatin1String("TABLE"))
                continue;
            auto *row = new QTreeWidgetItem(
                {table.Name(), table.DateModified().toText(), table.DateCreated().toText()});
            row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            row->setCheckState(0, Qt::Unchecked);
            rows << row;
            ++count;
        }
        lsvTables_->addTopLevelItems(rows);
        rows.clear();
    }
    connection.reset();
    setStatusPanel(2, QString::number(count) + TablesSuffix);
    setStatusPanel(1, ListRead);
}

void frmMain::mitmOpen_Click() {
    const auto reason = ReasonOfFailure([this] {
        const QString chosen = prompts_->openFileName(this, OpenFilters, lastChosenFile_);
        // A cancelled dialog changes nothing.
        if (chosen.isEmpty())
            return;
        lastChosenFile_ = chosen;
        showFile(chosen);
    });
    if (reason)
        showMessage(FileNotTaken.arg(*reason));
}

void frmMain::txtFilename_OLEDragDrop(const QMimeData *data) {
    takeDroppedFile(data);
}

void frmMain::lsvTables_OLEDragDrop(const QMimeData *data) {
    takeDroppedFile(data);
}

// Only the first file of a file list counts, and only with the extension of
// an Access database.
void frmMain::takeDroppedFile(const QMimeData *data) {
    const auto reason = ReasonOfFailure([&] {
        if (!data || !data->hasUrls() || data->urls().isEmpty() ||
            !data->urls().constFirst().isLocalFile())
            return;
        const QString path = LocalPathOf(data->urls().constFirst());
        if (DroppableExtensions.contains(GetExtension(path)))
            showFile(path);
    });
    if (reason)
        showMessage(FileNotTaken.arg(*reason));
}

void frmMain::openFile(const QString &path) {
    if (const auto reason = ReasonOfFailure([&] { showFile(path); }))
        showMessage(FileNotTaken.arg(*reason));
}

// A file chosen or dropped is read anew, also when it is the one shown: it
// may have changed on disk since. The box's change runs the rebuild once.
void frmMain::showFile(const QString &path) {
    if (txtFilename_->text() == path)
        txtFilename_Change();
    else
        txtFilename_->setText(path);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event) {
    // A drop onto the list's header or scroll bars reaches the list itself:
    // they take no drops, and the window hands a drop to the nearest parent
    // that does.
    const bool dropTarget =
        watched == txtFilename_ || watched == lsvTables_ || watched == lsvTables_->viewport();
    if (dropTarget && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (const auto action = DropActionFor(drag)) {
            drag->setDropAction(*action);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    if (dropTarget && event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        const auto action = DropActionFor(drop);
        if (!action) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(*action);
        drop->accept();
        if (watched == txtFilename_)
            txtFilename_OLEDragDrop(drop->mimeData());
        else
            lsvTables_OLEDragDrop(drop->mimeData());
        return true;
    }
    if (watched == lsvTables_ && event->type() == QEvent::KeyPress) {
        // The character typed: Ctrl+A types 1, whatever text the platform
        // attaches to the key.
        auto *key = static_cast<QKeyEvent *>(event);
        int code = key->text().isEmpty() ? 0 : key->text().front().unicode();
        if (key->key() == Qt::Key_A &&
            (key->modifiers() & ~Qt::ShiftModifier) == Qt::ControlModifier)
            code = ControlA;
        if (code != 0)
            lsvTables_KeyPress(code);
        return false; // the list still sees the key
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::CheckAllTables(bool checked) {
    const int rows = lsvTables_->topLevelItemCount();
    for (int i = 0; i < rows; ++i)
        lsvTables_->topLevelItem(i)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void frmMain::mitmSelectAll_Click() {
    CheckAllTables(true);
}

void frmMain::mitmClear_Click() {
    CheckAllTables(false);
}

void frmMain::lsvTables_KeyPress(int keyAscii) {
    if (keyAscii == ControlA)
        CheckAllTables(true);
}

void frmMain::Toolbar1_ButtonClick(int index) {
    switch (index) {
    case 1:
        mitmOpen_Click();
        break;
    case 2:
        mitmSelectAll_Click();
        break;
    case 3:
        mitmClear_Click();
        break;
    case 4:
        mitmExcel_Click();
        break;
    default:
        break;
    }
}

void frmMain::mitmExit_Click() {
    close();
}

void frmMain::mitmTooBar_Click() {
    toolbar_->setVisible(mitmTooBar_->isChecked());
}

void frmMain::mitmExcel_Click() {
    if (const auto reason = ReasonOfFailure([this] { runOutput(); }))
        showMessage(RunFailed.arg(*reason));
}

void frmMain::mitmDescriptions_Click() {
    // Kept at once, so that the choice outlives this run however it ends.
    QSettings().setValue(DescriptionsSetting, mitmDescriptions_->isChecked());
}

void frmMain::runOutput() {
    auto connection = openDatabase(txtFilename_->text());
    if (!connection) {
        showMessage(ConnectFailed);
        return;
    }

    std::unique_ptr<clsOutputTableDesign> generator;
    bool ticked = false;
    for (int i = 0; i < lsvTables_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = lsvTables_->topLevelItem(i);
        if (row->checkState(0) != Qt::Checked)
            continue;
        if (!generator) {
            generator = generatorFactory_(services_);
            generator->setWriteDescriptions(mitmDescriptions_->isChecked());
        }
        generator->AddTable(row->text(0));
        ticked = true;
    }

    if (ticked) {
        generator->setConnectionString(mdlADO::BuildConnectionString(txtFilename_->text()));
        // The workbook, also one that failed half way, opens on the desktop
        // once the user has been told how the run went: a message shown
        // after it would be hidden behind the spreadsheet application.
        std::optional<DesktopPresenter::Hold> held;
        if (handOver_)
            held.emplace(*handOver_);
        std::optional<QString> failure;
        {
            BusyCursor busy;
            failure = ReasonOfFailure([&generator] { generator->Make(); });
        }
        // The program goes on; the workbook as far as it got is with the user.
        if (failure)
            showMessage(RunFailed.arg(*failure));
    } else {
        showMessage(NothingTicked);
    }
    generator.reset();
    connection.reset();
}

void frmMain::mitmVersion_Click() {
    frmAbout about(this);
    about.exec();
}
