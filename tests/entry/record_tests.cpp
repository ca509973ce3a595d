// Argument records built from field groups: the fields are filled in argument
// order, the tools see every argument flat, and `at` gives each grouped field its
// own derivative column.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "entry/record.hpp"
#include "xv55/block_builder.hpp"

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

}  // namespace
