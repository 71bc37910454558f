#include "app/screenshot.h"

#include <QApplication>
#include <QDialog>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <iostream>

namespace paravue::app {

void ScheduleScreenshot(const QString& path) {
    // The first turn of the dialog's loop: the report is shown by then.
    QTimer::singleShot(0, [path] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (!dialog->grab().save(path, "PNG"))
            std::cerr << "paravue: cannot write " << path.toStdString() << '\n';
        dialog->reject();
    });
}

}  // namespace paravue::app
