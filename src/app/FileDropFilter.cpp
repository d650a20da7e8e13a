#include "app/FileDropFilter.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace varn::app {

FileDropFilter* FileDropFilter::install(QWidget* target, Handler handler)
{
    auto* filter = new FileDropFilter(target, std::move(handler));
    target->setAcceptDrops(true);
    target->installEventFilter(filter);
    return filter;
}

FileDropFilter::FileDropFilter(QWidget* target, Handler handler)
    : QObject(target), handler_(std::move(handler))
{}

QStringList FileDropFilter::localFiles(const QMimeData* mime)
{
    QStringList paths;
    if (mime == nullptr || !mime->hasUrls())
        return paths;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

bool FileDropFilter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (localFiles(drag->mimeData()).isEmpty())
            drag->ignore();
        else
            drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList paths = localFiles(drop->mimeData());
        if (paths.isEmpty()) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        handler_(paths);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace varn::app
