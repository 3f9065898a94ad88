#include "runtime/qt/qt_message_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <map>

#include "runtime/codepage.h"

namespace kw::qt {

namespace {

QString fromCp1251(std::string_view s) {
    return QString::fromStdString(cp::toUtf8(s));
}

QMessageBox::Icon qtIcon(msgbox::Icon icon) {
    switch (icon) {
        case msgbox::Icon::Information:
            return QMessageBox::Information;
        case msgbox::Icon::Exclamation:
            return QMessageBox::Warning;
        case msgbox::Icon::Question:
            return QMessageBox::Question;
        case msgbox::Icon::Stop:
            return QMessageBox::Critical;
        case msgbox::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QStyle::StandardPixmap standardPixmap(msgbox::Icon icon) {
    switch (icon) {
        case msgbox::Icon::Exclamation:
            return QStyle::SP_MessageBoxWarning;
        case msgbox::Icon::Question:
            return QStyle::SP_MessageBoxQuestion;
        case msgbox::Icon::Stop:
            return QStyle::SP_MessageBoxCritical;
        default:
            return QStyle::SP_MessageBoxInformation;
    }
}

QMessageBox::ButtonRole role(unsigned bit) {
    switch (bit) {
        case msgbox::Yes:
            return QMessageBox::YesRole;
        case msgbox::No:
            return QMessageBox::NoRole;
        case msgbox::Abort:
        case msgbox::Cancel:
            return QMessageBox::RejectRole;
        case msgbox::Help:
            return QMessageBox::HelpRole;
        default:
            return QMessageBox::AcceptRole;  // Ok, Retry, Ignore
    }
}

// The button that Escape or closing the window stands for: Cancel, else No, else the
// only button; 0 when there is none of these.
unsigned escapeBit(unsigned buttons) {
    if (buttons & msgbox::Cancel) return msgbox::Cancel;
    if (buttons & msgbox::No) return msgbox::No;
    if ((buttons & (buttons - 1)) == 0) return buttons;
    return 0;
}

// Runs f on the GUI thread and returns its answer; 0 when there is no widget
// application to show anything.
template <class F>
unsigned onGuiThread(F f) {
    QApplication* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app) return 0;
    if (QThread::currentThread() == app->thread()) return f();
    unsigned r = 0;
    QMetaObject::invokeMethod(
        app, [&] { r = f(); }, Qt::BlockingQueuedConnection);
    return r;
}

unsigned runBox(const msgbox::Box& b) {
    QMessageBox box(qtIcon(b.icon), fromCp1251(b.caption), fromCp1251(msgbox::lines(b.text)),
                    QMessageBox::NoButton, QApplication::activeWindow());
    if (b.style & msgbox::SystemModal) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    std::map<QAbstractButton*, unsigned> bits;
    const unsigned esc = escapeBit(b.buttons);
    for (unsigned bit : msgbox::buttonsOf(b.buttons)) {
        QPushButton* p =
            box.addButton(QString::fromUtf8(msgbox::buttonText(bit).data(),
                                            static_cast<int>(msgbox::buttonText(bit).size())),
                          role(bit));
        p->setProperty(kButtonProperty, bit);
        bits[p] = bit;
        if (bit == b.defaultButton) box.setDefaultButton(p);
        if (bit == esc) box.setEscapeButton(p);
    }
    box.exec();
    auto it = bits.find(box.clickedButton());
    if (it != bits.end()) return it->second;
    return esc ? esc : b.defaultButton;
}

unsigned runHistory(const msgbox::HistoryBox& b) {
    QDialog dlg(QApplication::activeWindow());
    dlg.setObjectName(kHistoryWindowName);
    dlg.setWindowTitle(QString::fromUtf8(msgbox::kHistoryTitle.data(),
                                         static_cast<int>(msgbox::kHistoryTitle.size())));
    dlg.setModal(true);
    auto* layout = new QVBoxLayout(&dlg);

    auto* top = new QHBoxLayout;
    auto* icon = new QLabel;
    if (b.icon != msgbox::Icon::None) {
        const int side = dlg.style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
        icon->setPixmap(dlg.style()->standardIcon(standardPixmap(b.icon)).pixmap(side, side));
    }
    auto* caption = new QLabel(fromCp1251(b.caption));
    caption->setObjectName(kHistoryCaptionName);
    top->addWidget(icon);
    top->addWidget(caption, 1);
    layout->addLayout(top);

    auto* list = new QTreeWidget;
    list->setObjectName(kHistoryListName);
    list->setColumnCount(2);
    list->setHeaderLabels({QString::fromUtf8(msgbox::kHistoryMessageColumn.data()),
                           QString::fromUtf8(msgbox::kHistoryCategoryColumn.data())});
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    // The columns are 217 and 42 dialog units wide (a dialog unit is a quarter of the
    // average character width).
    const int unit = list->fontMetrics().averageCharWidth();
    list->setColumnWidth(0, 217 * unit / 4);
    list->setColumnWidth(1, 42 * unit / 4);
    list->setMinimumWidth((217 + 42 + 8) * unit / 4);
    for (const msgbox::HistoryRow& row : b.rows) {
        auto* item = new QTreeWidgetItem(list);
        QString text = fromCp1251(row.message);
        item->setText(0, QString(text).replace('|', ' '));
        item->setToolTip(0, QString(text).replace('|', '\n'));
        item->setText(1, fromCp1251(row.category));
    }
    layout->addWidget(list, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const unsigned esc = escapeBit(b.buttons);
    QPushButton* def = nullptr;
    for (unsigned bit : msgbox::buttonsOf(b.buttons)) {
        auto* p = new QPushButton(QString::fromUtf8(
            msgbox::buttonText(bit).data(), static_cast<int>(msgbox::buttonText(bit).size())));
        p->setProperty(kButtonProperty, bit);
        p->setAutoDefault(false);
        QObject::connect(p, &QPushButton::clicked, &dlg,
                         [&dlg, bit] { dlg.done(static_cast<int>(bit)); });
        if (bit == b.defaultButton) def = p;
        buttons->addWidget(p);
    }
    layout->addLayout(buttons);
    if (def) {
        def->setDefault(true);
        def->setFocus();
    }

    const int r = dlg.exec();  // a button's bit, or 0 when closed or escaped
    if (r > 0) return static_cast<unsigned>(r);
    return esc ? esc : b.defaultButton;
}

}  // namespace

unsigned QtMessageBox::show(const msgbox::Box& box) {
    unsigned r = onGuiThread([&] { return runBox(box); });
    return r ? r : box.defaultButton;
}

unsigned QtMessageBox::showHistory(const msgbox::HistoryBox& box) {
    unsigned r = onGuiThread([&] { return runHistory(box); });
    return r ? r : box.defaultButton;
}

}  // namespace kw::qt
