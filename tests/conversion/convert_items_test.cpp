// Item types on their way into another version: the lists, the chooser, and what the report says.
#include <gtest/gtest.h>

#include "tests/conversion/conversion_fixture.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/scripted_chooser.h"

namespace vok {
namespace {

using testing::ConversionLists;
using testing::ScriptedChooser;
using Answer = ReplacementAnswer;
using Remember = ReplacementAnswer::Remember;

/// A Delta Force 1 mission whose items have these types, in this order.
Df1Mission df1With(std::initializer_list<std::int32_t> types) {
    Df1Mission m;
    for (std::int32_t type : types) m.items.emplace_back().type_id = type;
    recountItems(m.header, m.items);
    return m;
}

std::vector<std::int32_t> typesOf(const auto& mission) {
    std::vector<std::int32_t> types;
    for (const auto& item : mission.items) types.push_back(item.type_id);
    return types;
}

class ItemConversion : public ConversionLists {
  protected:
    std::string df1ReplaceFile() const { return testing::slurp(dir / "DF1Replace.vok"); }
};

TEST_F(ItemConversion, OkAsksForEveryItemOfTheMissingTypeAndOkAOnlyOncePerRun) {
    const auto source = df1With({5040, 1001, 5040, 5040});
    const std::string before = df1ReplaceFile();
    ScriptedChooser ok({Answer::replace(5001), Answer::replace(5001), Answer::replace(5002)});
    EXPECT_EQ(typesOf(ConvertDF1ToDF2(source, store, ok)),
              (std::vector<std::int32_t>{5001, 1001, 5001, 5002}));
    EXPECT_EQ(ok.asked, std::vector<ScriptedChooser::Question>(3, {5040, DfType::Df1, DfType::Df2}));
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df2, 5040), -1);

    ScriptedChooser okA({Answer::replace(5001, Remember::ForRun)});
    EXPECT_EQ(typesOf(ConvertDF1ToDF2(source, store, okA)),
              (std::vector<std::int32_t>{5001, 1001, 5001, 5001}));
    EXPECT_EQ(okA.asked.size(), 1u);
    EXPECT_EQ(df1ReplaceFile(), before);
    // The next conversion of this run finds it too, but only for the same target version.
    ScriptedChooser next({}, Answer::skip());
    EXPECT_EQ(typesOf(ConvertDF1ToDF2(source, store, next)),
              (std::vector<std::int32_t>{5001, 1001, 5001, 5001}));
    EXPECT_TRUE(next.asked.empty());
    (void)ConvertDF1ToDF3(source, store, next);
    EXPECT_EQ(next.asked.size(), 3u);
}

TEST_F(ItemConversion, OkSAsksOnceAndAppendsToTheSourceVersionsFile) {
    const std::string df2Before = testing::slurp(dir / "DF2Replace.vok");
    ScriptedChooser chooser({Answer::replace(5001, Remember::AndSave)});
    EXPECT_EQ(typesOf(ConvertDF1ToDF3(df1With({5040, 5040, 5040}), store, chooser)),
              (std::vector<std::int32_t>{5001, 5001, 5001}));
    EXPECT_EQ(chooser.asked.size(), 1u);
    EXPECT_TRUE(chooser.notSaved.empty());
    auto expected = testing::conversionLists().at(DfType::Df1).replacements;
    expected.push_back({3, 5040, 5001});
    EXPECT_EQ(parseReplaceList(df1ReplaceFile(), "x"), expected);
    EXPECT_EQ(testing::slurp(dir / "DF2Replace.vok"), df2Before);
}

// "Cancel Save" stops the conversion: its OK-A answers are forgotten, its OK-S answers stay saved.
TEST_F(ItemConversion, CancelSaveForgetsTheOkAAnswersOfTheConversionButNotItsOkS) {
    const Answer okA = Answer::replace(5001, Remember::ForRun);
    const Answer okS = Answer::replace(5002, Remember::AndSave);
    ScriptedChooser chooser({okA, okS, Answer::cancelSave()});
    const auto source = df1With({5040, 5041, 5040, 1042, 5040});
    EXPECT_THROW((void)ConvertDF1ToDF2(source, store, chooser), SaveCancelled);
    EXPECT_EQ(chooser.asked, (std::vector<ScriptedChooser::Question>{
                                 {5040, DfType::Df1, DfType::Df2}, {5041, DfType::Df1, DfType::Df2}, {1042, DfType::Df1, DfType::Df2}}));
    EXPECT_EQ(chooser.finished, 1);
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df2, 5040), -1);
    EXPECT_EQ(store.LookupReplacement(DfType::Df1, DfType::Df2, 5041), 5002);
    EXPECT_EQ(parseReplaceList(df1ReplaceFile(), "x").back(), (ReplaceEntry{2, 5041, 5002}));
}

TEST_F(ItemConversion, AnOkSThatCannotBeSavedStillHoldsForTheRunAndIsReported) {
    testing::FailingFileSystem failing;
    failing.failAt = testing::FailingFileSystem::FailAt::Rename;
    ListStore failingStore(dir.path(), failing);
    failingStore.InitilizeItemLists();
    const std::string before = df1ReplaceFile();
    ScriptedChooser chooser({Answer::replace(5001, Remember::AndSave)});
    ConversionReport report;
    EXPECT_EQ(typesOf(ConvertDF1ToDF2(df1With({5040, 5040}), failingStore, chooser, &report)),
              (std::vector<std::int32_t>{5001, 5001}));
    EXPECT_EQ(chooser.asked.size(), 1u);
    ASSERT_EQ(chooser.notSaved.size(), 1u);
    EXPECT_NE(chooser.notSaved[0].find("DF1Replace.vok"), std::string::npos);
    EXPECT_TRUE(testing::hasKind(report, ReportLine::Kind::Warning));
    EXPECT_EQ(df1ReplaceFile(), before);
}

TEST_F(ItemConversion, ATypeOutsideSixteenBitsIsKeptAndNeverOffered) {
    ScriptedChooser chooser({}, Answer::remove());
    ConversionReport report;
    // 65536 + 1001 would read as 1001 if it were cut to 16 bits.
    const auto target = ConvertDF1ToDF3(df1With({66537, -40000, 2147483647, 32767}), store, chooser, &report);
    EXPECT_EQ(typesOf(target), (std::vector<std::int32_t>{66537, -40000, 2147483647, 0}));
    EXPECT_EQ(chooser.asked, (std::vector<ScriptedChooser::Question>{{32767, DfType::Df1, DfType::Df3}}));
    EXPECT_TRUE(testing::hasKind(report, ReportLine::Kind::Kept));
    EXPECT_NE(testing::textOf(report).find("66537"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------

TEST_F(ItemConversion, MissingTypesAreListedOnceInOrderOfFirstUse) {
    const AnyMission source = df1With({5040, 1001, 1040, 2031, 5041, 5040, 70000, 5040, 1042});
    // 1001 exists in DF2, 1040 and 2031 have replacements, 70000 cannot be looked up.
    const auto missing = findMissingTypes(source, DfType::Df2, store);
    const std::vector<MissingType> expected = {{5040, "", 3}, {5041, "", 1}, {1042, "", 1}};
    EXPECT_EQ(missing, expected);

    // Descriptions come from the source version's list.
    Df3Mission df3;
    for (std::int32_t type : {7001, 2050, 7001}) df3.items.emplace_back().type_id = type;
    recountItems(df3.header, df3.items);
    EXPECT_EQ(findMissingTypes(df3, DfType::Df2, store), (std::vector<MissingType>{{7001, "Smoke", 2}}));
    EXPECT_TRUE(findMissingTypes(df3, DfType::Df1, store).empty());  // 7001 -> 4000, 2050 -> 2031
    EXPECT_TRUE(findMissingTypes(df3, DfType::Df3, store).empty());
}

TEST_F(ItemConversion, SuggestedTerrainIsPrefixedForLandWarriorFromDf1AndDf2) {
    const std::tuple<DfType, DfType, const char*, const char*> cases[] = {
        {DfType::Df2, DfType::Df3, "desert", "DF2desert"},
        {DfType::Df1, DfType::Df3, "harbour", "DF1harbour"},
        {DfType::Df3, DfType::Df2, "alpine", "alpine"},
        {DfType::Df1, DfType::Df2, "harbour", "harbour"},
        {DfType::Df2, DfType::Df2, "desert", "desert"}};
    for (const auto& [from, to, terrain, expected] : cases) {
        AnyMission converted = emptyMission(to);
        setTerrain(converted, terrain);
        EXPECT_EQ(suggestedTerrain(converted, from), expected) << versionKey(from) << " -> " << versionKey(to);
    }
    // The answer is fitted into the 16-byte field.
    AnyMission df3 = emptyMission(DfType::Df3);
    setTerrain(df3, "DF2" + std::string("abcdefghijklmnop"));
    EXPECT_EQ(std::get<Df3Mission>(df3).header.terrain.text(), "DF2abcdefghijklm");
    setTerrain(df3, "x");
    EXPECT_EQ(std::get<Df3Mission>(df3).header.terrain.raw(), "x" + std::string(15, '\0'));
}

// ---------------------------------------------------------------------------------------------
// The report.

bool reportHas(const ConversionReport& report, ReportLine::Kind kind, std::string_view words) {
    return std::any_of(report.lines.begin(), report.lines.end(), [&](const ReportLine& line) {
        return line.kind == kind && line.text.find(words) != std::string::npos;
    });
}

TEST_F(ItemConversion, ReportNamesWhatDelta1CannotHold) {
    Df3Mission df3;
    df3.header.briefing.set("Hold the pass.");
    df3.header.tt_file.set("alpine.tt");
    df3.header.water_level = 40;
    df3.header.fog_level = 2;
    df3.header.fog_color = 255;
    df3.header.teammate = {2, 3};
    df3.header.loadout_value2[3] = 9;
    df3.header.environment_file.set("night.env");
    df3.header.header_text22.set("??");
    auto& item = df3.items.emplace_back();
    item.type_id = 1001;
    item.grenades = 4;
    recountItems(df3.header, df3.items);

    ScriptedChooser chooser;
    ConversionReport report;
    (void)ConvertDF3ToDF1(df3, store, chooser, &report);
    EXPECT_EQ(report.from, DfType::Df3);
    EXPECT_EQ(report.to, DfType::Df1);
    for (const char* words : {"briefing (14 characters", "tt_file \"alpine.tt\"", "water_level 40",
                              "fog_level 2", "fog_color 255", "teammate 2 3", "slots 2 to 5",
                              "environment_file \"night.env\"", "header_text22", "grenades"}) {
        EXPECT_TRUE(reportHas(report, ReportLine::Kind::Dropped, words)) << words << "\n" << testing::textOf(report);
    }
    EXPECT_FALSE(reportHas(report, ReportLine::Kind::Set, ""));
}

TEST_F(ItemConversion, ReportNamesTheDefaultsSetAndIsQuietAboutDefaultsItDrops) {
    Df2Mission df2;  // nothing set but the defaults an ascii DF2 mission gets
    df2::setFileDefaults(df2.header);
    ScriptedChooser chooser;
    ConversionReport toDf3;
    (void)ConvertDF2ToDF3(df2, store, chooser, &toDf3);
    EXPECT_FALSE(testing::hasKind(toDf3, ReportLine::Kind::Dropped)) << testing::textOf(toDf3);
    EXPECT_TRUE(reportHas(toDf3, ReportLine::Kind::Set, "environment_file \"day1.env\""));
    EXPECT_FALSE(reportHas(toDf3, ReportLine::Kind::Set, "left empty"));

    df2.header.clouds_file.set("clouds09.pcx");
    df2.header.sky_file.set("sky2.tga");
    ConversionReport toDf1;
    (void)ConvertDF2ToDF1(df2, store, chooser, &toDf1);
    EXPECT_TRUE(reportHas(toDf1, ReportLine::Kind::Dropped, "clouds_file \"clouds09.pcx\""));
    EXPECT_TRUE(reportHas(toDf1, ReportLine::Kind::Dropped, "sky_file \"sky2.tga\""));

    ConversionReport toDf2;
    (void)ConvertDF1ToDF2(Df1Mission{}, store, chooser, &toDf2);
    EXPECT_TRUE(reportHas(toDf2, ReportLine::Kind::Set, "clouds_file \"clouds05.pcx\""));
    EXPECT_TRUE(reportHas(toDf2, ReportLine::Kind::Set, "header_levels 128"));
    EXPECT_TRUE(reportHas(toDf2, ReportLine::Kind::Set, "briefing left empty"));
}

TEST_F(ItemConversion, ReportCountsTheItemsReplacedSkippedAndRemoved) {
    const auto source = df1With({2031, 5040, 2031, 5041, 5041, 1042, 1001});
    ScriptedChooser chooser({Answer::skip(), Answer::remove(), Answer::remove(), Answer::replace(1001)});
    ConversionReport report;
    (void)ConvertDF1ToDF2(source, store, chooser, &report);
    const std::string text = testing::textOf(report);
    EXPECT_NE(text.find("Replaced: 2031 \"Jeep\" by 2005 \"Humvee\" (2 items)"), std::string::npos) << text;
    EXPECT_NE(text.find("Skipped: 5040 kept, though Delta Force 2 does not know it (1 item)"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Removed: 5041 set to type 0 (2 items)"), std::string::npos) << text;
    EXPECT_NE(text.find("Replaced: 1042 by 1001 \"Tree\" (1 item)"), std::string::npos) << text;
    EXPECT_EQ(text.find("1001 \"Tree\" by"), std::string::npos);  // an existing type is not a change
}

}  // namespace
}  // namespace vok
