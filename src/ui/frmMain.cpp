#include "ui/frmMain.h"

#include "common/Failure.h"
#include "database/ConnectionString.h"
#include "database/mdlADO.h"
#include "generator/clsOutputTableDesign.h"
#include "ui/ApplicationIdentity.h"
#include "ui/DatabaseDrop.h"
#include "ui/DesktopPresenter.h"
#include "ui/Icons.h"
#include "ui/OutputSettings.h"
#include "ui/OverrideCursorPause.h"
#include "ui/Prompts.h"
#include "ui/TableListing.h"
#include "ui/WindowFont.h"
#include "ui/WindowLog.h"
#include "ui/frmAbout.h"
#include "ui_frmMain.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QScopeGuard>
#include <QToolButton>
#include <QTreeWidget>
#include <optional>

namespace {

const QString ConnectFailed = QStringLiteral("DB接続に失敗しました。");
const QString NoFileGiven = QStringLiteral("ファイルが指定されていません。");
const QString ListRead = QStringLiteral("テーブルリストを取得しました。");
const QString TablesSuffix = QStringLiteral("個のテーブル");
const QString NothingTicked = QStringLiteral("出力テーブルが選択されていません。");
// The open dialog's one filter, as the window has always had it. A file of
// Access 2007 and later opens by its name (typed into the dialog, or given
// on the command line, as a file manager does for the type the program
// installs for it).
const QStringList OpenFilters = {QStringLiteral("Accessファイル(*.mdb;*.adp;*.mda;*.mde;*.ade)")};
const QString RunFailed = QStringLiteral("テーブルデザインのブックを完成できませんでした。\n%1");
const QString ListFailed = QStringLiteral("「%1」のテーブルリストを取得できませんでした。\n%2");
const QString FileNotTaken = QStringLiteral("ファイルを開けませんでした。\n%1");
const QString OutOfMemory = QStringLiteral("メモリが足りません。");
const QString UnknownError = QStringLiteral("原因の分からないエラーが発生しました。");

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

} // namespace

frmMain::frmMain(Services services, QWidget *parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::frmMain>()), services_(std::move(services)),
      prompts_(std::make_shared<Prompts>()), generatorFactory_([](const Services &services) {
          return std::make_unique<clsOutputTableDesign>(services);
      }) {
    setWindowIcon(Icons::Icon(QStringLiteral("output")));
    // Fixed size: a minimise box and a close box, no maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setAcceptDrops(false); // only the file name box and the list take drops
    setFont(WindowFont(font()));

    ui_->setupUi(this);
    connectControls();
    connectMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    Form_Load();
}

frmMain::~frmMain() = default;

// The form (frmMain.ui) places the controls; here they get what a form
// cannot give: the pictures, the box's colour, the panels' places in the
// status bar, the focus, and what they do.
void frmMain::connectControls() {
    toolbar_ = ui_->Toolbar1;
    txtFilename_ = ui_->txtFilename;
    lsvTables_ = ui_->lsvTables;
    panels_[0] = ui_->StatusBar1Panel1;
    panels_[1] = ui_->StatusBar1Panel2;

    const std::pair<QToolButton *, const char *> toolButtons[] = {
        {ui_->Toolbar1Button1, "open"},
        {ui_->Toolbar1Button2, "checkTrue"},
        {ui_->Toolbar1Button3, "checkFalse"},
        {ui_->Toolbar1Button4, "output"}};
    for (const auto &[button, picture] : toolButtons) {
        button->setIcon(Icons::Icon(QString::fromLatin1(picture)));
        const int index = button->property("Index").toInt();
        connect(button, &QToolButton::clicked, this,
                [this, index] { Toolbar1_ButtonClick(index); });
    }

    // The box takes no typing (only the program puts a path there), and has
    // the colour of the controls.
    QPalette palette = txtFilename_->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    txtFilename_->setPalette(palette);
    txtFilename_->installEventFilter(this);
    connect(txtFilename_, &QLineEdit::textChanged, this, &frmMain::txtFilename_Change);

    lsvTables_->viewport()->setAcceptDrops(true);
    lsvTables_->viewport()->installEventFilter(this);
    lsvTables_->installEventFilter(this);

    for (QLabel *panel : panels_)
        ui_->StatusBar1->addWidget(panel);

    // The list holds the focus from the start.
    lsvTables_->setFocus();
}

void frmMain::connectMenus() {
    mitmTooBar_ = ui_->mitmTooBar;
    mitmDescriptions_ = ui_->mitmDescriptions;
    mitmDetails_ = ui_->mitmDetails;
    // The menu bar's entries are named as their menus.
    for (QAction *entry : menuBar()->actions())
        entry->setObjectName(entry->menu()->objectName());
    const std::pair<QAction *, void (frmMain::*)()> items[] = {
        {ui_->mitmOpen, &frmMain::mitmOpen_Click},
        {ui_->mitmExit, &frmMain::mitmExit_Click},
        {ui_->mitmSelectAll, &frmMain::mitmSelectAll_Click},
        {ui_->mitmClear, &frmMain::mitmClear_Click},
        {ui_->mitmTooBar, &frmMain::mitmTooBar_Click},
        {ui_->mitmExcel, &frmMain::mitmExcel_Click},
        {ui_->mitmDescriptions, &frmMain::mitmDescriptions_Click},
        {ui_->mitmDetails, &frmMain::mitmDetails_Click},
        {ui_->mitmVersion, &frmMain::mitmVersion_Click}};
    for (const auto &[item, handler] : items)
        connect(item, &QAction::triggered, this, handler);
    mitmDescriptions_->setChecked(OutputSettings::WriteDescriptions());
    mitmDetails_->setChecked(OutputSettings::WriteDetails());
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
    std::optional<Failure> failure;
    std::shared_ptr<Connection> connection;
    {
        BusyCursor busy;
        connection = mdlADO::OpenAccessConnection(services_.readers, path, &failure);
    }
    const QString reason = failure ? failure->reasonOrMessage() : QString();
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
        const TableListing listing(connection);
        QList<QTreeWidgetItem *> rows;
        const auto unlisted =
            qScopeGuard([&rows] { qDeleteAll(rows); }); // rows the list did not take
        for (const TableListing::Row &table : listing.rows()) {
            auto *row = new QTreeWidgetItem({table.name, table.modified, table.created});
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

void frmMain::takeDroppedFile(const QMimeData *data) {
    const auto reason = ReasonOfFailure([&] {
        if (const auto path = DatabaseDrop::File(data))
            showFile(*path);
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
        if (const auto action = DatabaseDrop::Action(drag)) {
            drag->setDropAction(*action);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    if (dropTarget && event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        const auto action = DatabaseDrop::Action(drop);
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
    OutputSettings::SetWriteDescriptions(mitmDescriptions_->isChecked());
}

void frmMain::mitmDetails_Click() {
    OutputSettings::SetWriteDetails(mitmDetails_->isChecked()); // as the description item
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
            generator->setWriteDetails(mitmDetails_->isChecked());
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
