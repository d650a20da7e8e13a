#pragma once

#include <functional>

#include <QObject>
#include <QStringList>

class QMimeData;
class QWidget;

namespace varn::app {

// Makes a control a drop target for files: it accepts a drag that carries local files and
// hands the dropped paths, in drop order, to the control's handler. Other drags are refused
// and every other event goes on to the control unchanged.
class FileDropFilter : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(const QStringList& paths)>;

    // Installs a filter on `target` (which becomes its parent).
    static FileDropFilter* install(QWidget* target, Handler handler);

    // The local file paths a drag or drop carries, in order.
    static QStringList localFiles(const QMimeData* mime);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FileDropFilter(QWidget* target, Handler handler);

    Handler handler_;
};

} // namespace varn::app
