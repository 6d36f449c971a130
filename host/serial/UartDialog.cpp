#include "host/serial/UartDialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "host/serial/SerialPort.h"

namespace pcsim {

namespace {
constexpr char kTitle[] = "UART Setup";
constexpr char kGroup[] = "Port Settings";
constexpr char kComLabel[] = "COM";
constexpr char kOpenPort[] = "Open Port";
constexpr char kClosePort[] = "Close Port";
constexpr char kExit[] = "Exit";
constexpr char kPortClosed[] = "COM port closed";
constexpr char kPortOpen[] = "COM%1 port open";
constexpr int kPathRole = Qt::UserRole; // an item's device file

QString Text(const char* text) {
    return QString::fromLatin1(text);
}

/* The drop-down list shows each number with its device file beside it;
 * the items' own texts stay "1" to "10". */
class PortItemDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text += QStringLiteral("    ") + index.data(kPathRole).toString();
    }
};
} // namespace

UartDialog::UartDialog(SerialPort& serialPort, const QRect& hostFrame, QWidget* parent)
    : QDialog(parent), port(serialPort) {
    setWindowTitle(Text(kTitle));
    setObjectName(QStringLiteral("uartSetup"));

    auto* group = new QGroupBox(Text(kGroup), this);
    auto* comLabel = new QLabel(Text(kComLabel), group);
    combo = new QComboBox(group);
    combo->setObjectName(QStringLiteral("portCombo"));
    combo->setItemDelegate(new PortItemDelegate(combo));
    for (int n = 1; n <= kComboPorts; ++n) {
        combo->addItem(QString::number(n), QString::fromStdString(port.DevicePath(n)));
    }
    combo->setCurrentIndex(port.GetPortNumber() >= 1 && port.GetPortNumber() <= kComboPorts
                               ? port.GetPortNumber() - 1
                               : -1);
    pathLabel = new QLabel(group);
    pathLabel->setObjectName(QStringLiteral("portPath"));
    openButton = new QPushButton(Text(kOpenPort), group);
    openButton->setObjectName(QStringLiteral("openButton"));
    openButton->setAutoDefault(false);
    status = new QLabel(Text(kPortClosed), group);
    status->setObjectName(QStringLiteral("status"));
    detail = new QLabel(group);
    detail->setObjectName(QStringLiteral("detail"));
    detail->setWordWrap(true);

    auto* grid = new QGridLayout(group);
    grid->addWidget(comLabel, 0, 0);
    grid->addWidget(combo, 0, 1);
    grid->addWidget(pathLabel, 0, 2);
    grid->addWidget(openButton, 1, 0, 1, 3);
    grid->addWidget(status, 2, 0, 1, 3);
    grid->addWidget(detail, 3, 0, 1, 3);

    exitButton = new QPushButton(Text(kExit), this);
    exitButton->setObjectName(QStringLiteral("exitButton"));
    exitButton->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(exitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);

    connect(combo, &QComboBox::currentIndexChanged, this, &UartDialog::ShowSelectedPath);
    connect(openButton, &QPushButton::clicked, this, &UartDialog::OnOpenButton);
    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);

    ShowSelectedPath();
    if (port.IsOpen()) ShowPortOpen();
    adjustSize();
    move(hostFrame.left() + (hostFrame.width() - width()) / 2,
         hostFrame.top() + (hostFrame.height() - height()) / 2);
}

void UartDialog::closeEvent(QCloseEvent* event) {
    done(0);
    event->accept();
}

void UartDialog::OnOpenButton() {
    if (port.IsOpen()) {
        port.Close();
        ShowPortClosed(QString());
        return;
    }
    port.SetPortNumber(static_cast<int8_t>(combo->currentIndex() + 1));
    if (port.Open() != SerialPort::kOpened) {
        status->setText(Text(kPortClosed));
        detail->setText(QString::fromStdString(port.LastError()));
        return;
    }
    port.SetReadSize(1);
    ShowPortOpen();
    if (portOpened) portOpened();
}

void UartDialog::ShowPortOpen() {
    status->setText(Text(kPortOpen).arg(port.GetPortNumber()));
    detail->clear();
    openButton->setText(Text(kClosePort));
    combo->setEnabled(false);
}

void UartDialog::ShowPortClosed(const QString& reason) {
    status->setText(Text(kPortClosed));
    detail->setText(reason);
    openButton->setText(Text(kOpenPort));
    combo->setEnabled(true);
}

void UartDialog::ShowSelectedPath() {
    pathLabel->setText(combo->currentData(kPathRole).toString());
}

} // namespace pcsim
