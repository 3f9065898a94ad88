#include "runtime/qt/qt_printer_setup.h"

#include <QApplication>
#include <QMetaObject>
#include <QPrintDialog>
#include <QPrinter>
#include <QThread>

#include "runtime/qt/qt_text.h"

namespace kw::qt {

QtPrinterSetup::QtPrinterSetup() = default;

QtPrinterSetup::~QtPrinterSetup() = default;

QPrinter& QtPrinterSetup::printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

bool QtPrinterSetup::setup(std::string_view titleCp1251) {
    QApplication* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app) return false;
    const QString title = fromCp(titleCp1251);
    bool confirmed = false;
    auto run = [&] {
        QPrintDialog dialog(&printer(), QApplication::activeWindow());
        // Set-up only: which printer and how; what to print is the document's business.
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
        if (!title.isEmpty()) dialog.setWindowTitle(title);
        confirmed = dialog.exec() == QDialog::Accepted;
    };
    if (QThread::currentThread() == app->thread()) {
        run();
    } else if (!QMetaObject::invokeMethod(app, run, Qt::BlockingQueuedConnection)) {
        return false;
    }
    return confirmed;
}

}  // namespace kw::qt
