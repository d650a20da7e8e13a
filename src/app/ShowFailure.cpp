#include "app/ShowFailure.h"

#include <QTabWidget>
#include <QWidget>

#include "app/CoreText.h"
#include "app/DialogService.h"

namespace varn::app {

void ShowFailure(DialogService& dialogs, QWidget& page, QTabWidget* innerTabs,
                 const Failure& failure)
{
    if (failure.page >= 0 && innerTabs != nullptr)
        innerTabs->setCurrentIndex(failure.page);
    if (!failure.control.empty()) {
        if (auto* control = page.findChild<QWidget*>(FromUtf8(failure.control)))
            control->setFocus(Qt::OtherFocusReason);
    }
    dialogs.showError(FromUtf8(failure.message));
}

} // namespace varn::app
