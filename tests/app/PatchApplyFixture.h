#pragma once

#include <QApplication>
#include <QCheckBox> // CharaPatchFixture.h uses it without including it
#include <QComboBox>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include "CharaPatchFixture.h"
#include "charpatch/CharacterPatchFile.h"
#include "text/Cp932.h"
#include "text/TextCodec.h"

namespace varn::test {

// The main window on the page "パッチ適用", with helpers that act on the patch list as the
// user does: dropping files from the desktop, clicking, pressing keys and dragging entries.
// The character editor's helpers stay at hand for patches made on the page "キャラパッチ".
class PatchApplyFixture : public CharaPatchFixture {
protected:
    app::TForm1& createPage(std::optional<std::string_view> settings = std::nullopt)
    {
        createWindow(settings);
        control<QTabWidget>("PageControl1")->setCurrentIndex(0);
        showActive();
        return *window;
    }

    QTreeWidget* list() const { return control<QTreeWidget>("ListView1"); }
    QComboBox* targets() const { return control<QComboBox>("ComboBox24"); }
    QString memoText() const { return control<QPlainTextEdit>("Memo10")->toPlainText(); }
    void press(const char* button) const { control<QPushButton>(button)->click(); }

    // The rows of the list as "file name|type|target".
    QStringList rows() const
    {
        QStringList texts;
        for (int i = 0; i < list()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list()->topLevelItem(i);
            texts << item->text(0) + "|" + item->text(1) + "|" + item->text(2);
        }
        return texts;
    }

    // The full paths the rows carry in their hidden column.
    QStringList rowPaths() const
    {
        QStringList paths;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            paths << list()->topLevelItem(i)->text(3);
        return paths;
    }

    int selectedRow() const
    {
        const QList<QTreeWidgetItem*> selected = list()->selectedItems();
        return selected.isEmpty() ? -1 : list()->indexOfTopLevelItem(selected.first());
    }

    // A point of the list's viewport: the middle of a row (scrolled into view), or for -1 the
    // empty space below the last row.
    QPoint rowPoint(int row) const
    {
        QWidget* viewport = list()->viewport();
        if (row < 0) {
            const int count = list()->topLevelItemCount();
            const int below =
                count == 0 ? 0 : list()->visualItemRect(list()->topLevelItem(count - 1)).bottom();
            EXPECT_LT(below + 10, viewport->height()) << "no empty space below the rows";
            return {viewport->width() / 3, viewport->height() - 5};
        }
        QTreeWidgetItem* item = list()->topLevelItem(row);
        EXPECT_NE(item, nullptr) << "no row " << row;
        list()->scrollToItem(item);
        return list()->visualItemRect(item).center();
    }

    // The control the desktop hands a drop at a point of the window to: the deepest control
    // there, or the nearest of its parents, that takes drops.
    QWidget* dropTargetAt(const QPoint& global) const
    {
        QWidget* widget = window->childAt(window->mapFromGlobal(global));
        while (widget != nullptr && !widget->acceptDrops() && !widget->isWindow())
            widget = widget->parentWidget();
        return widget;
    }

    // Drops files from the desktop with the mouse cursor over `row` of the list (-1: below the
    // entries); returns whether the drop was taken.
    bool dropOnList(const QStringList& paths, int row = -1) const
    {
        const QPoint global = list()->viewport()->mapToGlobal(rowPoint(row));
        QCursor::setPos(global);
        QWidget* target = dropTargetAt(global);
        EXPECT_EQ(target, list()) << "a drop on the list reaches another control";
        return target != nullptr && dropFilesOn(target, paths);
    }

    void mouse(QEvent::Type type, const QPoint& point, Qt::MouseButton button,
               Qt::MouseButtons held) const
    {
        QWidget* viewport = list()->viewport();
        QMouseEvent event(type, point, viewport->mapToGlobal(point), button, held, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }

    // Clicks a row (or the empty space below the rows for -1).
    void clickRow(int row) const
    {
        const QPoint point = rowPoint(row);
        mouse(QEvent::MouseButtonPress, point, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, point, Qt::LeftButton, Qt::NoButton);
    }

    // Presses the mouse on row `from`, drags it to row `to` (-1: the empty space below the
    // rows) and lets go there.
    void dragRow(int from, int to) const
    {
        const QPoint start = rowPoint(from);
        const QPoint end = rowPoint(to);
        mouse(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        const QPoint step(0, QApplication::startDragDistance() + 1);
        mouse(QEvent::MouseMove, start + (end.y() >= start.y() ? step : -step), Qt::NoButton,
              Qt::LeftButton);
        mouse(QEvent::MouseMove, end, Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, end, Qt::LeftButton, Qt::NoButton);
    }

    // Presses and releases a key in the list.
    void key(Qt::Key which) const
    {
        QKeyEvent down(QEvent::KeyPress, which, Qt::NoModifier);
        QApplication::sendEvent(list(), &down);
        QKeyEvent up(QEvent::KeyRelease, which, Qt::NoModifier);
        QApplication::sendEvent(list(), &up);
    }

    // Picks a target in ComboBox24 with the mouse.
    void pickTarget(const QString& code) const
    {
        const int index = targets()->findText(QStringLiteral("【") + code, Qt::MatchStartsWith);
        ASSERT_GE(index, 0) << code.toStdString();
        targets()->setCurrentIndex(index);
        emit targets()->activated(index);
    }

    // Game text bytes of a fixed field.
    template <std::size_t N> static std::array<std::uint8_t, N> gameField(std::string_view text)
    {
        std::array<std::uint8_t, N> field{};
        EXPECT_EQ(EncodeText(text, field), 0) << text;
        return field;
    }

    // A character patch with a name, a title, a sheet whose colour 0 is `colour0` and a
    // comment; the palette and tiles are also returned through `patchOut`.
    QString writeVnp(const char* fileName, std::string_view name = "ゆうしゃ",
                     std::string_view title = "たびびと", std::string_view comment = "",
                     PatchFile* patchOut = nullptr) const
    {
        PatchFile patch;
        patch.name = gameField<8>(name);
        patch.gender = 0x95;
        patch.title = gameField<10>(title);
        patch.palette[0] = 0x1F; // red
        for (std::size_t i = 0; i < patch.tiles.size(); ++i)
            patch.tiles[i] = static_cast<std::uint8_t>(i * 13);
        patch.records = {{kStatusRecord, std::vector<std::uint8_t>(13, 20)}};
        if (!comment.empty()) {
            const std::optional<std::string> bytes = Utf8ToCp932(comment);
            EXPECT_TRUE(bytes.has_value());
            patch.comment = PatchComment{static_cast<std::uint16_t>(comment.size()),
                                         std::vector<std::uint8_t>(bytes->begin(), bytes->end())};
        }
        const auto bytes = SerializePatchFile(patch);
        EXPECT_TRUE(bytes.ok()) << bytes.message();
        if (patchOut != nullptr)
            *patchOut = patch;
        return app::ToQString(dir.write(fileName, bytes.value()));
    }

    QString writeFile(const char* fileName, std::string_view content) const
    {
        return app::ToQString(dir.write(fileName, content));
    }
    QString writeIps(const char* fileName) const { return writeFile(fileName, "PATCHEOF"); }
    QString writeMml(const char* fileName, std::string_view text = "#TITLE t;\nc;\n") const
    {
        return writeFile(fileName, text);
    }

    // The one message shown since the last call, checked to be an error; empty when none.
    QString takeError() const
    {
        EXPECT_LE(dialogs->messages.size(), 1u) << messageTexts().join(" / ").toStdString();
        if (dialogs->messages.empty())
            return {};
        const auto message = dialogs->messages.back();
        EXPECT_EQ(message.caption, "エラー") << message.text.toStdString();
        EXPECT_EQ(message.icon, app::MessageIcon::Stop) << message.text.toStdString();
        dialogs->messages.clear();
        return message.text;
    }
};

} // namespace varn::test
