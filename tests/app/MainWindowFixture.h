#pragma once

#include <gtest/gtest.h>

#include <memory>

#include <QLineEdit>
#include <QTabWidget>

#include "app/TForm1.h"
#include "support/ScriptedDialogService.h"
#include "support/TempDir.h"

namespace varn::test {

// The real main window with a scripted dialog service and a settings file of the test's own.
class MainWindowFixture : public ::testing::Test {
protected:
    // Creates the window; `settings` is the text of its Varnkit.ini, or nullopt for none.
    app::TForm1& createWindow(std::optional<std::string_view> settings = std::nullopt)
    {
        const std::filesystem::path path =
            settings ? dir.write("Varnkit.ini", *settings) : dir.path() / "Varnkit.ini";
        auto scripted = std::make_unique<ScriptedDialogService>();
        dialogs = scripted.get();
        window = std::make_unique<app::TForm1>(path, std::move(scripted));
        return *window;
    }

    template <class T = QWidget> T* control(const char* name) const
    {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QString text(const char* name) const { return control<QLineEdit>(name)->text(); }

    QStringList strip() const
    {
        return {text("Edit65"), text("Edit91"), text("Edit92"), text("Edit93")};
    }

    TempDir dir;
    ScriptedDialogService* dialogs = nullptr;
    std::unique_ptr<app::TForm1> window;
};

} // namespace varn::test
