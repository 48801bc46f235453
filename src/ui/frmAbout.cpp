#include "ui/frmAbout.h"

#include "ui/ApplicationIdentity.h"
#include "ui/Icons.h"
#include "ui/WindowFont.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {

// The etched rule across the dialog: a white line of two pixels under a grey
// one of one pixel.
class EtchedRule : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.fillRect(0, 0, width(), 2, Qt::white);
        painter.fillRect(0, 0, width(), 1, QColor(128, 128, 128));
    }
};

QLabel *Picture(QWidget *parent, const char *name, const QString &key, QRect place, QSize size) {
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setPixmap(Icons::Picture(key, size, parent->devicePixelRatioF()));
    return label;
}

QLabel *Text(QWidget *parent, const char *name, const QString &text, QRect place) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

frmAbout::frmAbout(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(382, 174);
    setFont(WindowFont(font()));
    setModal(true);

    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setGeometry(283, 144, 92, 23);
    cmdOK_->setDefault(true); // Enter presses it; Esc rejects the dialog alike
    connect(cmdOK_, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    Picture(this, "picIcon", QStringLiteral("output"), QRect(16, 16, 34, 34), QSize(32, 32));
    lblTitle_ = Text(this, "lblTitle", QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ ﾀｲﾄﾙ"), QRect(72, 16, 259, 16));
    QFont bold = lblTitle_->font();
    bold.setBold(true);
    lblTitle_->setFont(bold);
    lblVersion_ = Text(this, "lblVersion", QStringLiteral("ﾊﾞｰｼﾞｮﾝ"), QRect(70, 32, 259, 15));
    Picture(this, "picLogo", QStringLiteral("logo"), QRect(232, 51, 97, 20), QSize(95, 20));
    Text(this, "Label1", QStringLiteral("© 2026 Quillmere"), QRect(72, 56, 153, 17));
    Text(this, "Label2", ApplicationIdentity::Homepage(), QRect(72, 72, 273, 17));
    auto *rule = new EtchedRule(this);
    rule->setObjectName(QStringLiteral("Line1"));
    rule->setGeometry(8, 104, 370, 2);

    cmdOK_->setFocus();
    Form_Load();
}

void frmAbout::Form_Load() {
    setWindowTitle(ApplicationIdentity::Title() + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
    lblVersion_->setText(QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + ApplicationIdentity::VersionText());
    lblTitle_->setText(ApplicationIdentity::Title());
}

void frmAbout::cmdOK_Click() {
    accept();
}
