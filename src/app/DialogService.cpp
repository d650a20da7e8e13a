#include "app/DialogService.h"

#include <QDate>

namespace varn::app {

QString DatedFileName(const QString& base)
{
    return base + QLatin1Char('_') + QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

} // namespace varn::app
