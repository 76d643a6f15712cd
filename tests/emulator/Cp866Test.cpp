#include <gtest/gtest.h>

#include "TestSupport.h"
#include "kasemu/Cp866.h"

namespace kasemu {
namespace {

using test::hex;

TEST(Cp866, ModelDesignationsAreInCodePage866) {
    EXPECT_EQ(hex(utf8ToDevice("РМ-15")), "90 8C 2D 31 35");
    EXPECT_EQ(hex(utf8ToDevice("ЛМ-22")), "8B 8C 2D 32 32");
    EXPECT_EQ(hex(utf8ToDevice("Хлеб")), "95 AB A5 A1");
}

TEST(Cp866, UkrainianLettersHaveTheirPlaces) {
    EXPECT_EQ(hex(utf8ToDevice("ЁёЄєЇї")), "F0 F1 F2 F3 F4 F5");
    EXPECT_EQ(hex(utf8ToDevice("Ґґ")), "F6 F7");
    EXPECT_EQ(hex(utf8ToDevice("Іі№")), "49 69 FC");
}

TEST(Cp866, RoundTripsEveryLetter) {
    const std::string text = "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя";
    EXPECT_EQ(deviceToUtf8(utf8ToDevice(text)), text);
    EXPECT_EQ(utf8ToDevice(text).size(), 64u);
}

TEST(Cp866, UnknownCharactersBecomeQuestionMarks) {
    EXPECT_EQ(hex(utf8ToDevice("a€b")), "61 3F 62");
}

TEST(Cp866, CountsCharactersNotBytes) {
    EXPECT_EQ(utf8Length("ЛМ-22"), 5u);
    EXPECT_EQ(utf8Length(""), 0u);
}

} // namespace
} // namespace kasemu
