// Argument records built from field groups: the fields are filled in argument
// order, the tools see every argument flat, and `at` gives each grouped field its
// own derivative column.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "entry/record.hpp"
#include "xv55/testing/block_builder.hpp"

namespace {

using namespace xv55;

XV55_GROUP(Conditions,  //
           (const double&, temperature, "degC"), (const double&, pressure, "bar"));
XV55_GROUP(Stream,  //
           (const double&, flow, "kmol/h"), (Conditions, state),
           (Vector<const double>, composition, "1"));
XV55_RECORD(MixerArguments,
            (Text, blockId, ""),
            (Conditions, ambient),
            (entry::Prefixed<Stream>, feed),
            (const std::int64_t&, option, ""),
            (entry::Prefixed<Stream>, product),
            (double&, duty, "GJ/h"),
            (Vector<double>, shares, "1"));

// What the body saw: its values, and the columns and rows `at` gave it.
std::vector<double> seenValues;
std::vector<std::int64_t> seenCells;

double sumOf(const Stream& s) {
  double sum = s.flow + s.state.temperature + s.state.pressure;
  for (std::int64_t k = 1; k <= s.composition.size(); ++k) sum += s.composition(k);
  return sum;
}

void mixer(const MixerArguments& a, Jacobian jac) {
  seenValues = {a.ambient.temperature,
                a.ambient.pressure,
                a.feed.flow,
                a.feed.state.temperature,
                a.feed.state.pressure,
                a.feed.composition(2),
                static_cast<double>(a.option),
                a.product.state.pressure,
                a.product.composition(1),
                sumOf(a.feed)};
  seenCells = {a.at.blockId,
               a.at.ambient.temperature,
               a.at.ambient.pressure,
               a.at.feed.flow,
               a.at.feed.state.pressure,
               a.at.feed.composition,
               a.at.option,
               a.at.product.flow,
               a.at.product.composition,
               a.at.duty,
               a.at.shares};
  a.duty = 1.0;
  jac.set(a.at.duty, a.at.feed.state.pressure, 5.0);            // d duty / d feed pressure
  jac.set(a.at.shares + 1, a.at.product.composition + 1, 7.0);  // d share 2 / d product x2
}

extern "C" void mixerEntry(XV55_ENTRY_PARAMS) {
  entry::enter<&mixer, entry::AfterBody::Nothing>(
      {inputs, inputSizes, outputs, outputSizes, inputPositions, outputPositions, status,
       hostContext, realWork, realWorkLength, derivatives, derivativeRows, derivativeColumns,
       callType});
}

TEST(FieldGroups, FillInArgumentOrderAndGiveEachFieldItsColumn) {
  BlockBuilder b;
  const std::int64_t blockId = b.text("B1");
  const std::int64_t ambientT = b.real(25.0), ambientP = b.real(1.01);
  const std::int64_t feedFlow = b.real(10.0);
  b.real(80.0);
  const std::int64_t feedP = b.real(3.0);
  const std::int64_t feedX = b.reals({0.25, 0.75});
  const std::int64_t option = b.integer(2);
  const std::int64_t productFlow = b.real(9.0);
  b.real(60.0);
  b.real(2.5);
  const std::int64_t productX = b.reals({0.4, 0.6});
  const std::int64_t duty = b.output(), shares = b.outputs(2);
  b.call(mixerEntry, 4);

  EXPECT_EQ(seenValues, (std::vector<double>{25.0, 1.01, 10.0, 80.0, 3.0, 0.75, 2.0, 2.5, 0.4,
                                             10.0 + 80.0 + 3.0 + 0.25 + 0.75}));
  EXPECT_EQ(seenCells,
            (std::vector<std::int64_t>{blockId, ambientT, ambientP, feedFlow, feedP, feedX, option,
                                       productFlow, productX, duty, shares}));
  EXPECT_EQ(b.out(duty), 1.0);
  EXPECT_EQ(b.derivative(duty, feedP), 5.0);
  EXPECT_EQ(b.derivative(shares + 1, productX + 1), 7.0);
  EXPECT_EQ(b.derivative(duty, feedP - 1), BlockBuilder::kUntouched);
}

TEST(FieldGroups, ToolsSeeEveryArgumentFlatUnderItsOwnName) {
  using K = entry::ArgKind;
  struct Expected {
    std::string name, unit;
    K kind;
  };
  const std::vector<Expected> expected = {
      {"blockId", "", K::TextIn},
      {"temperature", "degC", K::RealIn},
      {"pressure", "bar", K::RealIn},
      {"feedFlow", "kmol/h", K::RealIn},
      {"feedTemperature", "degC", K::RealIn},
      {"feedPressure", "bar", K::RealIn},
      {"feedComposition", "1", K::RealVectorIn},
      {"option", "", K::IntegerIn},
      {"productFlow", "kmol/h", K::RealIn},
      {"productTemperature", "degC", K::RealIn},
      {"productPressure", "bar", K::RealIn},
      {"productComposition", "1", K::RealVectorIn},
      {"duty", "GJ/h", K::RealOut},
      {"shares", "1", K::RealVectorOut},
  };
  ASSERT_EQ(std::size(MixerArguments::kFields), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const entry::ArgumentInfo& f = MixerArguments::kFields[i];
    EXPECT_EQ(f.name, expected[i].name) << i;
    EXPECT_EQ(f.unit, expected[i].unit) << i;
    EXPECT_EQ(f.kind, expected[i].kind) << i;
  }
  // The body's argument list, as the export tables read it, is the same list.
  const auto& positional = entry::kPositional<&mixer>;
  ASSERT_EQ(positional.size(), expected.size());
  EXPECT_EQ(std::string(positional[9].name), "productTemperature");
}

// A record template: each record names its own groups for the template's members; an
// empty group stands for a member some records do without.
XV55_GROUP(NoExtra);
XV55_GROUP(Extra, (Matrix<const std::int64_t>, counts, ""));
template <class Head>
XV55_RECORD(TemplateArguments,
            (Head, head),
            (const double&, x, "m"),
            (Matrix<double>, table, "1"),
            (double&, y, "m"));
using WithExtra = TemplateArguments<Extra>;
using WithoutExtra = TemplateArguments<NoExtra>;

std::vector<std::int64_t> templateCells;
std::vector<double> templateValues;

void withExtra(const WithExtra& a) {
  templateCells = {a.at.head.counts, a.at.x, a.at.table, a.at.y};
  templateValues = {
      static_cast<double>(a.head.counts.rows()), static_cast<double>(a.head.counts.columns()),
      static_cast<double>(a.head.counts(2, 3)),  a.x,
      static_cast<double>(a.table.rows()),       static_cast<double>(a.table.columns())};
  a.table(2, 1) = 4.0;
  a.y = 2.0 * a.x;
}
void withoutExtra(const WithoutExtra& a) {
  templateCells = {a.at.x, a.at.table, a.at.y};
  templateValues = {a.x, static_cast<double>(a.table.rows())};
  a.y = 3.0 * a.x;
}
extern "C" void withExtraEntry(XV55_ENTRY_PARAMS) {
  entry::enter<&withExtra, entry::AfterBody::Nothing>(
      {inputs, inputSizes, outputs, outputSizes, inputPositions, outputPositions, status,
       hostContext, realWork, realWorkLength, derivatives, derivativeRows, derivativeColumns,
       callType});
}
extern "C" void withoutExtraEntry(XV55_ENTRY_PARAMS) {
  entry::enter<&withoutExtra, entry::AfterBody::Nothing>(
      {inputs, inputSizes, outputs, outputSizes, inputPositions, outputPositions, status,
       hostContext, realWork, realWorkLength, derivatives, derivativeRows, derivativeColumns,
       callType});
}

TEST(RecordTemplates, EachRecordListsItsOwnGroupsAndAnEmptyGroupTakesNothing) {
  using K = entry::ArgKind;
  ASSERT_EQ(std::size(WithExtra::kFields), 4u);
  EXPECT_EQ(std::string(WithExtra::kFields[0].name), "counts");
  EXPECT_EQ(WithExtra::kFields[0].kind, K::IntegerMatrixIn);
  EXPECT_EQ(WithExtra::kFields[2].kind, K::RealMatrixOut);
  ASSERT_EQ(std::size(WithoutExtra::kFields), 3u);
  EXPECT_EQ(std::string(WithoutExtra::kFields[0].name), "x");
  EXPECT_EQ(WithoutExtra::kFields[1].kind, K::RealMatrixOut);

  // A 2 x 3 integer matrix takes columns 1 to 6, so x is column 7; the 2 x 2 table
  // takes rows 1 to 4 and y is row 5.
  BlockBuilder b;
  const std::int64_t counts[] = {1, 2, 3, 4, 5, 6};
  b.integers(counts, {2, 3});
  b.real(1.5);
  const std::int64_t table = b.outputs(4, {2, 2});
  const std::int64_t y = b.output();
  b.call(withExtraEntry, 0);
  EXPECT_EQ(templateCells, (std::vector<std::int64_t>{1, 7, 1, 5}));
  EXPECT_EQ(templateValues, (std::vector<double>{2, 3, 6, 1.5, 2, 2}));
  EXPECT_EQ(b.out(table + 1), 4.0);
  EXPECT_EQ(b.out(y), 3.0);

  BlockBuilder c;
  c.real(2.0);
  c.outputs(4, {2, 2});
  const std::int64_t y2 = c.output();
  c.call(withoutExtraEntry, 0);
  EXPECT_EQ(templateCells, (std::vector<std::int64_t>{1, 1, 5}));
  EXPECT_EQ(templateValues, (std::vector<double>{2.0, 2}));
  EXPECT_EQ(c.out(y2), 6.0);
}

TEST(FieldGroups, VisitEveryFieldInOrderUnderItsOwnName) {
  const double flow = 5.0, temperature = 70.0, pressure = 2.0;
  const double composition[] = {0.5, 0.5};
  const Stream s{flow, {temperature, pressure}, Vector<const double>(composition, 2)};
  std::vector<std::string> names;
  std::vector<double> reals;
  s.forEachField([&](const char* name, const auto& value) {
    names.emplace_back(name);
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(value)>, double>) {
      reals.push_back(value);
    }
  });
  EXPECT_EQ(names, (std::vector<std::string>{"flow", "temperature", "pressure", "composition"}));
  EXPECT_EQ(reals, (std::vector<double>{5.0, 70.0, 2.0}));
}

}  // namespace
