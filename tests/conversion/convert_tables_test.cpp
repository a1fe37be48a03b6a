// The six conversions against the header tables, on generated missions and the worked examples.
#include <gtest/gtest.h>

#include "mission/core/mission_binary.h"
#include "tests/conversion/conversion_fixture.h"
#include "tests/support/mission_generator.h"
#include "tests/support/scripted_chooser.h"

namespace vok {
namespace {

using testing::ConversionLists;
using testing::ScriptedChooser;

template <class S, class T, T (*F)(const S&, ListStore&, ReplacementChooser&, ConversionReport*), DfType From,
          DfType To>
struct Direction {
    using Source = S;
    using Target = T;
    static T convert(const S& s, ListStore& l, ReplacementChooser& c, ConversionReport* r = nullptr) {
        return F(s, l, c, r);
    }
    static constexpr DfType from = From;
    static constexpr DfType to = To;
};

using Directions = ::testing::Types<Direction<Df1Mission, Df2Mission, &ConvertDF1ToDF2, DfType::Df1, DfType::Df2>,
                                    Direction<Df1Mission, Df3Mission, &ConvertDF1ToDF3, DfType::Df1, DfType::Df3>,
                                    Direction<Df2Mission, Df1Mission, &ConvertDF2ToDF1, DfType::Df2, DfType::Df1>,
                                    Direction<Df2Mission, Df3Mission, &ConvertDF2ToDF3, DfType::Df2, DfType::Df3>,
                                    Direction<Df3Mission, Df1Mission, &ConvertDF3ToDF1, DfType::Df3, DfType::Df1>,
                                    Direction<Df3Mission, Df2Mission, &ConvertDF3ToDF2, DfType::Df3, DfType::Df2>>;

class DirectionNames {
  public:
    template <class D>
    static std::string GetName(int) {
        return std::string(versionKey(D::from)) + "To" + std::string(versionKey(D::to));
    }
};

template <class D>
class ConvertDirection : public ConversionLists {
  protected:
    using Source = typename D::Source;
    using Target = typename D::Target;

    /// A generated mission in which a third of the items carry types the lists talk about.
    static Source generated(std::uint32_t seed) {
        testing::GeneratorOptions options;
        options.maxItems = 80;
        options.maxEvents = 8;
        auto m = testing::generateMission<Source>(seed, options);
        static constexpr std::int32_t kInteresting[] = {1001, 1040, 2031, 2005, 2050, 3001, 4000,
                                                        5001, 6013, 7001, 9999, 0,    -5,   70000};
        for (std::size_t i = 0; i < m.items.size(); i += 3) {
            m.items[i].type_id = kInteresting[(seed + i) % std::size(kInteresting)];
        }
        recountItems(m.header, m.items);
        return m;
    }

    /// The questions a conversion of `s` must ask, in item order.
    static std::vector<ScriptedChooser::Question> expectedQuestions(const Source& s) {
        std::vector<ScriptedChooser::Question> questions;
        for (const auto& item : s.items) {
            const std::int32_t t = item.type_id;
            if (testing::fitsIn16(t) && !testing::knownIn(D::to, t) &&
                !testing::listedReplacement(D::from, D::to, t)) {
                questions.push_back({static_cast<std::int16_t>(t), D::from, D::to});
            }
        }
        return questions;
    }
};

TYPED_TEST_SUITE(ConvertDirection, Directions, DirectionNames);

TYPED_TEST(ConvertDirection, GeneratedMissionsComeOutAsTheTablesSay) {
    using D = TypeParam;
    // Each policy once: keep the type, set it to 0, or replace it by a Marker (which moves items
    // into another count).
    const std::pair<ReplacementAnswer, std::optional<std::int32_t>> answers[] = {
        {ReplacementAnswer::skip(), std::nullopt},
        {ReplacementAnswer::remove(), 0},
        {ReplacementAnswer::replace(6001), 6001},
    };
    for (std::uint32_t seed = 0; seed <= 12; ++seed) {
        auto source = this->generated(seed);
        if (seed == 0) {  // no items: four zero counts, nothing asked
            source.items.clear();
            recountItems(source.header, source.items);
        }
        for (const auto& [answer, chosen] : answers) {
            ScriptedChooser chooser({}, answer);
            const auto actual = D::convert(source, this->store, chooser);
            const auto expected = testing::expectedMission<typename D::Target>(
                source, [&, c = chosen](std::size_t, std::int32_t t) {
                    return testing::expectedType(D::from, D::to, t, c);
                });
            ASSERT_EQ(actual, expected) << "seed " << seed;
            EXPECT_EQ(chooser.asked, this->expectedQuestions(source)) << "seed " << seed;
            EXPECT_EQ(chooser.finished, 1);
            // The result is a valid binary mission: its counts describe its records.
            EXPECT_NO_THROW(checkBinaryInvariants(actual, "converted"));
        }
    }
}

TYPED_TEST(ConvertDirection, ConvertMissionGivesTheSameWhateverWasConvertedBefore) {
    using D = TypeParam;
    const auto source = this->generated(5);
    ScriptedChooser chooser({}, ReplacementAnswer::skip());
    const auto first = D::convert(source, this->store, chooser);
    // Convert other missions of both other versions into the same target in between.
    for (std::uint32_t seed : {100u, 101u}) {
        (void)convertMission(AnyMission(testing::generateMission<Df3Mission>(seed)), D::to, this->store,
                             chooser);
        (void)convertMission(AnyMission(testing::generateMission<Df1Mission>(seed)), D::to, this->store,
                             chooser);
    }
    EXPECT_EQ(std::get<typename D::Target>(convertMission(AnyMission(source), D::to, this->store, chooser)),
              first);
    // The same version comes back unchanged, and nothing is asked.
    ScriptedChooser none;
    EXPECT_EQ(std::get<typename D::Source>(convertMission(AnyMission(source), D::from, this->store, none)),
              source);
    EXPECT_TRUE(none.asked.empty());
    EXPECT_THROW(convertMission(AnyMission(source), static_cast<DfType>(4), this->store, none), std::invalid_argument);
}

TYPED_TEST(ConvertDirection, NumEventsZeroGivesNoEventsTriggersOrActions) {
    using D = TypeParam;
    testing::GeneratorOptions options;
    options.maxEvents = 6;
    typename D::Source source;
    for (std::uint32_t seed = 1; source.triggers.empty(); ++seed) {
        source = testing::generateMission<typename D::Source>(seed, options);
    }
    source.header.num_events = 0;
    ScriptedChooser chooser;
    ConversionReport report;
    const auto target = D::convert(source, this->store, chooser, &report);
    EXPECT_EQ(std::tie(target.header.num_events, target.num_event_records, target.num_trigger_records,
                       target.num_action_records),
              std::make_tuple(0, 0, 0, 0));
    EXPECT_TRUE(target.events.empty() && target.triggers.empty() && target.actions.empty());
    EXPECT_TRUE(testing::hasKind(report, ReportLine::Kind::Dropped));
    EXPECT_NE(testing::textOf(report).find("num_events is 0"), std::string::npos) << testing::textOf(report);
}

// ---------------------------------------------------------------------------------------------
// The worked examples.

TEST_F(ConversionLists, EquipmentGoesToLoadoutSlotOneAndComesBack) {
    Df2Mission df2;
    df2.header.default_equipment = {10, 20, 30, 40};
    ScriptedChooser chooser;
    const Df3Mission df3 = ConvertDF2ToDF3(df2, store, chooser);
    // Slot 1 of value4, value1, value2, value3 takes equipment 1 to 4; everything else stays 0.
    using Table = df3::LoadoutTable;
    const auto& h = df3.header;
    EXPECT_EQ(
        std::tie(h.loadout_value1, h.loadout_value2, h.loadout_value3, h.loadout_value4, h.loadout_value5),
        std::make_tuple(Table{20}, Table{30}, Table{40}, Table{10}, Table{}));
    EXPECT_EQ(ConvertDF3ToDF2(df3, store, chooser).header.default_equipment,
              (std::array<std::uint8_t, 4>{10, 20, 30, 40}));
    EXPECT_EQ(ConvertDF3ToDF1(df3, store, chooser).header.default_equipment,
              (std::array<std::uint8_t, 4>{10, 20, 30, 40}));

    Df1Mission df1;
    df1.header.default_equipment = {1, 2, 3, 4};
    const Df3Mission fromDf1 = ConvertDF1ToDF3(df1, store, chooser);
    EXPECT_EQ(ConvertDF3ToDF1(fromDf1, store, chooser).header.default_equipment,
              df1.header.default_equipment);
}

TEST_F(ConversionLists, NamesAreCutTo32OrPaddedTo40) {
    Df1Mission df1;
    const std::string forty = "Operation Silent Harbour at Dawn Patrol!";
    ASSERT_EQ(forty.size(), 40u);
    df1.header.name.set(forty);
    df1.header.designer.set("Someone");
    ScriptedChooser chooser;
    ConversionReport report;
    const Df3Mission df3 = ConvertDF1ToDF3(df1, store, chooser, &report);
    EXPECT_EQ(df3.header.name.text(), forty.substr(0, 32));
    EXPECT_EQ(df3.header.designer.text(), "Someone");
    EXPECT_EQ(ConvertDF1ToDF2(df1, store, chooser).header.name.text(), forty.substr(0, 32));
    ASSERT_TRUE(testing::hasKind(report, ReportLine::Kind::Cut));
    EXPECT_NE(testing::textOf(report).find("name to 32 characters: \"" + forty.substr(0, 32) + "\" (was \"" + forty +
                                   "\")"),
              std::string::npos)
        << testing::textOf(report);

    Df3Mission ten;
    ten.header.name.set("Ten chars!");
    const Df1Mission back = ConvertDF3ToDF1(ten, store, chooser);
    EXPECT_EQ(back.header.name.raw(), "Ten chars!" + std::string(30, '\0'));
}

TEST_F(ConversionLists, ItemsAreNumberedFromZero) {
    Df2Mission df2;
    for (int number : {17, 18, 19}) {
        df2.items.emplace_back().type_id = 1001;
        df2.items.back().item_number = number;
    }
    recountItems(df2.header, df2.items);
    ScriptedChooser chooser;
    std::vector<std::int32_t> numbers;
    for (const auto& item : ConvertDF2ToDF3(df2, store, chooser).items) numbers.push_back(item.item_number);
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{0, 1, 2}));
}

TEST_F(ConversionLists, CountsFollowTheFinalTypes) {
    // Three Land Warrior effects (count c) become 4000 objects (count a) in Delta Force 1; a
    // removed item is counted in item_count_b.
    Df3Mission df3;
    for (std::int32_t type : {7001, 7001, 7001, 5999, 1001}) df3.items.emplace_back().type_id = type;
    recountItems(df3.header, df3.items);
    ASSERT_EQ(df3.header.item_count_c, 3);
    ScriptedChooser chooser({ReplacementAnswer::remove()});
    const Df1Mission df1 = ConvertDF3ToDF1(df3, store, chooser);
    EXPECT_EQ(df1.items[0].type_id, 4000);
    EXPECT_EQ(df1.items[3].type_id, 0);
    EXPECT_EQ(std::tie(df1.header.item_count_a, df1.header.item_count_b, df1.header.item_count_c,
                       df1.header.item_count_d),
              std::make_tuple(3, 2, 0, 0));
}

}  // namespace
}  // namespace vok
