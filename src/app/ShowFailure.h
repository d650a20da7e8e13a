#pragma once

#include "rom/Result.h"

class QTabWidget;
class QWidget;

namespace varn::app {

class DialogService;

// Shows a failure of a core operation on the page it concerns: brings the inner tab the failure
// names (its page, an index of `innerTabs`) to the front, focuses the control under `page`
// whose object name is the failure's control, and shows the message in an error box
// (caption "エラー"). A failure naming no tab or no control leaves the tabs or the focus as
// they are.
void ShowFailure(DialogService& dialogs, QWidget& page, QTabWidget* innerTabs,
                 const Failure& failure);

} // namespace varn::app
