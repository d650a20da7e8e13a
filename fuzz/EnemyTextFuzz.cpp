// The enemy text file of `enemy dump` / `enemy apply` over damaged input: parsed, then set on
// an enemy read from an expanded image, as `enemy apply` does.
//
// Properties: a refusal names its line ("<n>行目: …"); values accepted set on the enemy give a
// form whose text reads back to the same form; nothing is read outside the image.

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "SparseRomStream.h"
#include "enemy/EnemyFormText.h"
#include "enemy/LoadEnemy.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    static const std::uint8_t pattern[] = {0x13, 0x5A, 0x80, 0x12, 0x34, 0x12, 0x20, 0x31, 0x60};
    static fuzz::SparseRomStream image(0x600000, pattern, false);
    static const EnemyLists lists = LoadEnemyLists(image);

    const auto values = ParseEnemyFormText(fuzz::Text(data, size));
    if (!values) {
        const std::string& message = values.message();
        fuzz::Require(message == kFileTooLargeMessage ||
                          message.find("行目: ") != std::string::npos,
                      "a refused file names the line at fault");
        return 0;
    }
    EnemyForm form;
    form.enemy = size % kEnemyCount;
    fuzz::Require(LoadEnemyRecord(image, lists, form).ok(), "the enemy of the image is read");
    if (!ApplyEnemyFormText(values.value(), image, lists, form))
        return 0;

    const auto again = ParseEnemyFormText(EnemyFormText(form, lists));
    fuzz::Require(again.ok(), "the text of a form is read back");
    EnemyForm read;
    read.enemy = form.enemy;
    fuzz::Require(LoadEnemyRecord(image, lists, read).ok(), "the enemy is read again");
    read.nameField = form.nameField;
    fuzz::Require(ApplyEnemyFormText(again.value(), image, lists, read).ok(),
                  "the text of a form is taken again");
    read.armourSummary = form.armourSummary;
    fuzz::Require(read == form, "the text of a form reads back to the same form");
    return 0;
}
