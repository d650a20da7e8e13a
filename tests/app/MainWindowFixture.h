#pragma once

#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QUrl>

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
        window = std::make_unique<app::TForm1>(path, statePath(), std::move(scripted));
        // The pages are tested at the size they are designed for, whatever room the test's
        // screen has (the size the window chose is kept for the tests of that choice).
        initialSize = window->size();
        window->resize(app::TForm1::designedSize());
        return *window;
    }

    // The file where the window keeps the folders last used: one per test, so that a window
    // created again in the same test finds what the first one remembered.
    QString statePath() const { return app::ToQString(dir.path() / "state.ini"); }

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

    // Shows the window as the active one, so that focus moves as it does for the user.
    void showActive()
    {
        window->show();
        window->activateWindow();
        QApplication::processEvents();
    }

    // Drags files onto a control and drops them, as the desktop does; returns whether the
    // drop was accepted.
    static bool dropFilesOn(QWidget* target, const QStringList& paths)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        mime.setUrls(urls);
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }

    // At the designed size no page needs to scroll: the scroll areas that hold the pages show
    // no scroll bars.
    void expectPagesUnscrolled(const std::string& where) const
    {
        for (const QScrollArea* area : window->findChildren<QScrollArea*>()) {
            if (!area->isVisible() || !area->objectName().endsWith(QLatin1String("Scroll")))
                continue;
            EXPECT_FALSE(area->verticalScrollBar()->isVisible()) << where;
            EXPECT_FALSE(area->horizontalScrollBar()->isVisible()) << where;
        }
    }

    // Every visible control under `root` stands inside its parent, has the size its style
    // asks for at least, and shows its caption whole (a wrapping caption on as many lines as
    // it needs).
    static void expectControlsUnclipped(QWidget* root, const std::string& where)
    {
        for (QWidget* widget : root->findChildren<QWidget*>()) {
            if (!widget->isVisible() || widget->parentWidget() == nullptr)
                continue;
            const std::string name = where + ": " + widget->metaObject()->className() + " " +
                                     widget->objectName().toStdString();
            EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry())) << name;
            // A list's heading row asks for a square minimum meant for scrolling; what it needs
            // is the height of its headings.
            const auto* header = qobject_cast<QHeaderView*>(widget);
            const QSize needed =
                header ? QSize(0, header->sizeHint().height()) : widget->minimumSizeHint();
            EXPECT_GE(widget->height(), needed.height()) << name;
            if (const auto* button = qobject_cast<QPushButton*>(widget)) {
                // Push buttons ask for a wide minimum in some styles; what matters is the
                // caption.
                EXPECT_GE(button->width(),
                          button->fontMetrics().horizontalAdvance(button->text()) + 8)
                    << name;
            } else {
                EXPECT_GE(widget->width(), needed.width()) << name;
            }
            if (const auto* label = qobject_cast<QLabel*>(widget)) {
                if (label->wordWrap()) {
                    EXPECT_GE(label->height(), label->heightForWidth(label->width()))
                        << label->text().toStdString();
                } else {
                    EXPECT_GE(label->contentsRect().width(),
                              label->fontMetrics().horizontalAdvance(label->text()))
                        << label->text().toStdString();
                }
            }
        }
    }

    // The file at `path` by its own name, through a symbolic link and through a hard link
    // (made beside it with names ending in `extension`): every name that leads to it.
    static QStringList NamesOf(const std::filesystem::path& path, const std::string& extension)
    {
        const std::filesystem::path link = path.parent_path() / ("link" + extension);
        const std::filesystem::path hard = path.parent_path() / ("hard" + extension);
        std::filesystem::remove(link);
        std::filesystem::remove(hard);
        std::filesystem::create_symlink(path.filename(), link);
        std::filesystem::create_hard_link(path, hard);
        return {app::ToQString(path), app::ToQString(link), app::ToQString(hard)};
    }

    // The messages shown are exactly the one error of a save refused because the chosen file
    // is one the command reads (the open image, an input); the list is emptied for the next.
    void expectOutputRefused(const QString& chosen, const std::string& where = {})
    {
        ASSERT_EQ(dialogs->messages.size(), 1u) << where << " " << chosen.toStdString();
        EXPECT_EQ(dialogs->messages[0].text, QStringLiteral("出力先が入力ファイルと同じです。\n") +
                                                 app::ToQString(app::ToPath(chosen).filename()))
            << where;
        EXPECT_EQ(dialogs->messages[0].caption, QStringLiteral("エラー")) << where;
        EXPECT_EQ(dialogs->messages[0].icon, app::MessageIcon::Stop) << where;
        dialogs->messages.clear();
    }

    TempDir dir;
    QSize initialSize;
    ScriptedDialogService* dialogs = nullptr;
    std::unique_ptr<app::TForm1> window;
};

} // namespace varn::test
