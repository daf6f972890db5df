// Window placement and check box states kept in the registry.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "importer/registry/placement_text.h"
#include "tests/importer/registry/registry_backends.h"

namespace registry::testing {
namespace {

using namespace std::string_literals;

// ---- The texts themselves ----------------------------------------------------------------

TEST(FormatTwips, PlainDecimalWithoutSeparators) {
    const std::vector<std::pair<float, const char*>> cases = {
        {1200.0f, "1200"}, {-500.0f, "-500"}, {0.0f, "0"},          {-0.0f, "0"},
        {12.5f, "12.5"},   {0.1f, "0.1"},     {1e9f, "1000000000"}, {123456.0f, "123456"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(FormatTwips(value), text) << value;
    }
}

TEST(SplitPlacementText, CutsAtTheFirstBlankAndReadsLeadingNumbers) {
    using Numbers = std::optional<std::vector<float>>;
    EXPECT_EQ(SplitPlacementText("300 200", 2), (Numbers{{300, 200}}));
    EXPECT_EQ(SplitPlacementText("  300    200  ", 2), (Numbers{{300, 200}}));
    EXPECT_EQ(SplitPlacementText("100 200 300", 2), (Numbers{{100, 200300}}));
    EXPECT_EQ(SplitPlacementText("1 2 3 4", 4), (Numbers{{1, 2, 3, 4}}));
    EXPECT_EQ(SplitPlacementText("1.5 x 7abc", 3), (Numbers{{1.5f, 0, 7}}));
    EXPECT_EQ(SplitPlacementText("100", 2), std::nullopt);
    EXPECT_EQ(SplitPlacementText("1 2 3", 4), std::nullopt);
    EXPECT_EQ(SplitPlacementText("", 2), std::nullopt);
    EXPECT_EQ(SplitPlacementText("\t1\t2", 2), std::nullopt) << "only blanks separate";
    EXPECT_EQ(SplitPlacementText("1e39 0", 2), std::nullopt) << "beyond single precision";
}

TEST(ScreenFit, FitsRightAndBottomFirstThenLeftAndTop) {
    struct Case {
        float left, top, width, height, expectedLeft, expectedTop;
    };
    const std::vector<Case> cases = {
        {12000, 100, 6000, 1000, 9360, 100},     // over the right edge
        {100, 11000, 1000, 1000, 100, 10520},    // over the bottom edge
        {-500, -300, 1000, 1000, 0, 0},          // before the left and top edges
        {5000, 100, 20000, 1000, 0, 100},        // wider than the screen: at its left edge
        {9360, 10520, 6000, 1000, 9360, 10520},  // touching the edges is on the screen
    };
    for (const auto& c : cases) {
        float left = c.left;
        float top = c.top;
        ScreenFit(left, top, c.width, c.height, 15360, 11520);
        EXPECT_EQ(left, c.expectedLeft) << c.left;
        EXPECT_EQ(top, c.expectedTop) << c.top;
    }
}

TEST(ScreenFit, SumsInSinglePrecision) {
    // 16777216 + 1 is 16777216 in single precision: not past a screen of that width, while
    // in double precision it would be and the window would move by one twip.
    float left = 16777216.0f;
    float top = 0;
    ScreenFit(left, top, 1.0f, 0.0f, 16777216.0f, 100.0f);
    EXPECT_EQ(left, 16777216.0f);
}

// ---- Reading and writing through the registry --------------------------------------------

template <typename Backend>
class Placement : public clsRegistryBehaviour<Backend> {
  protected:
    void Store(const std::string& text) {
        PutValue(this->api(), kHive, kKey, "Placement", kRegSz, text + '\0');
    }
};
TYPED_TEST_SUITE(Placement, RegistryBackends, BackendNames);

struct Placed {
    float left, top, width, height;
    bool operator==(const Placed&) const = default;
};
Placed Of(const FakeWindow& window) {
    return {window.Left(), window.Top(), window.Width(), window.Height()};
}
void PrintTo(const Placed& p, std::ostream* out) {
    *out << p.left << ' ' << p.top << ' ' << p.width << ' ' << p.height;
}

TYPED_TEST(Placement, WithoutAStoredValueTheDefaultsApply) {
    PutKey(this->api(), kHive, kKey);
    FakeWindow window(1000, 2000, 3000, 4000);
    this->reg().ReadFormPos(kHive, kKey, "Placement", window, false);
    EXPECT_EQ(Of(window), (Placed{0, 0, 3000, 4000}));

    window = FakeWindow(1000, 2000, 3000, 4000);
    this->reg().ReadFormPosAndSize(kHive, kKey, "Placement", window, false);
    EXPECT_EQ(Of(window), (Placed{0, 0, 0, 0}));

    window = FakeWindow(1000, 2000, 3000, 4000);
    this->reg().ReadFormSize(kHive, kKey, "Placement", window);
    EXPECT_EQ(Of(window), (Placed{1000, 2000, 0, 0}));
}

TYPED_TEST(Placement, TooFewFieldsLeaveTheWindowAlone) {
    FakeWindow window(1000, 2000, 3000, 4000);
    this->Store("100");
    this->reg().ReadFormPos(kHive, kKey, "Placement", window, true);
    this->reg().ReadFormSize(kHive, kKey, "Placement", window);
    this->Store("1 2 3");
    this->reg().ReadFormPosAndSize(kHive, kKey, "Placement", window, true);
    EXPECT_EQ(window.moves, 0);
}

struct PositionCase {
    const char* stored;
    bool offScreenAllowed;
    float left, top;
};

TYPED_TEST(Placement, ReadFormPosFitsTheWindowUnlessAllowedOffScreen) {
    // The window is 6000 by 1000 twips on a screen of 15360 by 11520.
    const std::vector<PositionCase> cases = {
        {" 300   200 ", false, 300, 200},   {"12000 0", false, 9360, 0},
        {"12000 0", true, 12000, 0},        {"-500 -300", false, 0, 0},
        {"-500 -300", true, -500, -300},    {"100 200 300", true, 100, 200300},
        {"100 200 300", false, 100, 10520},
    };
    for (const auto& c : cases) {
        this->Store(c.stored);
        FakeWindow window(1, 2, 6000, 1000);
        this->reg().ReadFormPos(kHive, kKey, "Placement", window, c.offScreenAllowed);
        EXPECT_EQ(Of(window), (Placed{c.left, c.top, 6000, 1000}))
            << c.stored << (c.offScreenAllowed ? " off-screen allowed" : "");
    }
}

TYPED_TEST(Placement, ReadFormPosAndSizeFitsWithTheStoredSize) {
    FakeWindow window(1, 2, 100, 100);
    this->Store("12000 11000 6000 1000");
    this->reg().ReadFormPosAndSize(kHive, kKey, "Placement", window, false);
    EXPECT_EQ(Of(window), (Placed{9360, 10520, 6000, 1000}));

    this->Store("-10 -20 -30 -40");
    this->reg().ReadFormPosAndSize(kHive, kKey, "Placement", window, true);
    EXPECT_EQ(Of(window), (Placed{-10, -20, -30, -40})) << "the size is used as stored";
}

TYPED_TEST(Placement, ReadFormSizeMakesNegativeSizesZeroAndKeepsThePosition) {
    FakeWindow window(700, 800, 100, 100);
    this->Store("-5 100");
    this->reg().ReadFormSize(kHive, kKey, "Placement", window);
    EXPECT_EQ(Of(window), (Placed{700, 800, 0, 100}));
}

TYPED_TEST(Placement, WrittenTextsReadBack) {
    FakeWindow window(1200, 900, 4800.5f, 3600);
    EXPECT_TRUE(this->reg().WriteFormPos(kHive, kKey, "Pos", window));
    EXPECT_TRUE(this->reg().WriteFormPosAndSize(kHive, kKey, "PosAndSize", window));
    EXPECT_TRUE(this->reg().WriteFormSize(kHive, kKey, "Size", window));
    EXPECT_EQ(this->reg().ReadString(kHive, kKey, "Pos", ""), "1200 900");
    EXPECT_EQ(this->reg().ReadString(kHive, kKey, "PosAndSize", ""), "1200 900 4800.5 3600");
    EXPECT_EQ(this->reg().ReadString(kHive, kKey, "Size", ""), "4800.5 3600");

    FakeWindow restored(0, 0, 10, 10);
    this->reg().ReadFormPosAndSize(kHive, kKey, "PosAndSize", restored, false);
    EXPECT_EQ(Of(restored), Of(window));

    FakeWindow negative(-15, -30, 10, 10);
    EXPECT_TRUE(this->reg().WriteFormPos(kHive, kKey, "Pos", negative));
    EXPECT_EQ(this->reg().ReadString(kHive, kKey, "Pos", ""), "-15 -30");
    EXPECT_FALSE(this->reg().WriteFormPos(0x12345678, kKey, "Pos", negative));
}

// ---- Check boxes ---------------------------------------------------------------------------

struct CheckBoxCase {
    const char* what;
    bool keyExists;
    std::optional<std::int32_t> stored;  // none: no value
    std::int32_t defaultValue;
    std::int32_t expected;
};

TYPED_TEST(Placement, ReadCheckBoxStateMapsTheLimitedNumber) {
    constexpr std::int32_t kGrayed = 5;
    const std::vector<CheckBoxCase> cases = {
        {"stored 0", true, 0, 1, 0},
        {"stored 1", true, 1, 0, 1},
        {"stored 2 is the grayed value", true, 2, 0, kGrayed},
        {"stored 7 is limited to 2", true, 7, 0, kGrayed},
        {"stored -3 is limited to 0", true, -3, 1, 0},
        {"key missing, default 1", false, std::nullopt, 1, 1},
        {"key missing, default 5 is not limited", false, std::nullopt, 5, 0},
        {"value missing, default 5 is limited", true, std::nullopt, 5, kGrayed},
    };
    for (const auto& c : cases) {
        this->reg().DeleteKey(kHive, "Software\\VEXO Tests", "Registry");
        if (c.keyExists) {
            PutKey(this->api(), kHive, kKey);
        }
        if (c.stored) {
            PutDword(this->api(), kHive, kKey, "Check", *c.stored);
        }
        EXPECT_EQ(this->reg().ReadCheckBoxState(kHive, kKey, "Check", c.defaultValue, kGrayed),
                  c.expected)
            << c.what;
    }
}

TYPED_TEST(Placement, WriteCheckBoxStateStoresTheLimitedNumber) {
    const std::vector<std::tuple<std::int32_t, std::int32_t, std::int32_t>> cases = {
        // state, grayed value, stored
        {2, 5, 2}, {2, 0, 0}, {2, 1, 1}, {2, -1, 0}, {1, 0, 1}, {0, 2, 0}, {7, 2, 0}};
    for (const auto& [state, grayed, stored] : cases) {
        EXPECT_TRUE(this->reg().WriteCheckBoxState(kHive, kKey, "Check", state, grayed));
        EXPECT_EQ(this->reg().ReadLong(kHive, kKey, "Check", -1, -100, 100), stored)
            << state << " grayed as " << grayed;
    }
}

}  // namespace
}  // namespace registry::testing
