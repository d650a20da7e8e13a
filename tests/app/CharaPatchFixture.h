#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "MainWindowFixture.h"
#include "charpatch/ItemLists.h"
#include "graphics/GifCodec.h"
#include "graphics/SpriteSheet.h"

namespace varn::test {

// The main window on the page "キャラパッチ", with helpers that act on its controls as the
// user does.
class CharaPatchFixture : public MainWindowFixture {
protected:
    app::TForm1& createEditor(std::optional<std::string_view> settings = std::nullopt)
    {
        createWindow(settings);
        control<QTabWidget>("PageControl1")->setCurrentIndex(1);
        showActive();
        return *window;
    }

    QTabWidget* innerPages() const { return control<QTabWidget>("PageControl2"); }
    QLineEdit* edit(const char* name) const { return control<QLineEdit>(name); }
    QPlainTextEdit* memo(const char* name) const { return control<QPlainTextEdit>(name); }
    QComboBox* combo(const char* name) const { return control<QComboBox>(name); }
    QCheckBox* tick(const char* name) const { return control<QCheckBox>(name); }
    QRadioButton* radio(const char* name) const { return control<QRadioButton>(name); }

    void type(const char* name, const QString& text) const { edit(name)->setText(text); }
    void write(const char* name, const QString& text) const { memo(name)->setPlainText(text); }

    // Focuses a field and moves on to the name field, as the user leaving it with the mouse.
    void leave(const char* name) const
    {
        edit(name)->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
        edit("Edit1")->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
    }

    // Picks an item of a list with the mouse.
    void pick(const char* name, int index) const
    {
        QComboBox* box = combo(name);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    // Selects the item of a coded list that has `code`.
    void selectCode(const char* name, const ItemList& items, std::uint8_t code) const
    {
        ASSERT_NE(ItemIndexOfCode(items, code), 0) << name << " has no code " << int(code);
        combo(name)->setCurrentIndex(ItemIndexOfCode(items, code));
    }

    // The code of the item a coded list shows.
    std::uint8_t selectedCode(const char* name, const ItemList& items) const
    {
        return items.at(static_cast<std::size_t>(combo(name)->currentIndex())).code;
    }

    // A sprite sheet that passes the checks, its colour 0 pure red; returns its path.
    QString writeSheet(const char* fileName = "sheet.gif", std::uint16_t colour0 = 0x001F) const
    {
        GifImage sheet;
        SheetPalette palette{};
        palette[0] = static_cast<std::uint8_t>(colour0 & 0xFF);
        palette[1] = static_cast<std::uint8_t>(colour0 >> 8);
        BuildSheetImage(palette, SheetTiles{}, sheet);
        const std::filesystem::path path = dir.path() / fileName;
        EXPECT_TRUE(SaveGifFile(sheet, path).ok());
        return app::ToQString(path);
    }

    // Chooses a file with "..." of the sheet.
    void openWithButton(std::optional<QString> answer) const
    {
        dialogs->openAnswers.push_back(std::move(answer));
        control<QPushButton>("Button1")->click();
    }

    void loadSheet() const { openWithButton(writeSheet()); }

    // "パッチ作成", answering the save dialog (if it comes) with `saveAs`.
    void createPatch(std::optional<QString> saveAs = std::nullopt) const
    {
        if (saveAs)
            dialogs->saveAnswers.push_back(std::move(saveAs));
        control<QPushButton>("Button2")->click();
    }

    QString pathIn(const char* name) const { return app::ToQString(dir.path() / name); }

    QStringList messageTexts() const
    {
        QStringList texts;
        for (const auto& message : dialogs->messages)
            texts << message.text;
        return texts;
    }

    QString focusedName() const
    {
        const QWidget* focused = QApplication::focusWidget();
        return focused ? focused->objectName() : QString();
    }
};

} // namespace varn::test
