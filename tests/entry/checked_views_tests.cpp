// The argument views with their index checks on (built with XV55_CHECKED_VIEWS=1 in
// every build type): an index outside a view stops the program, naming the view, the
// index and the extents; indices inside reach the host's cells.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "entry/views.hpp"

namespace {

using xv55::Jacobian;
using xv55::Matrix;
using xv55::Vector;

static_assert(XV55_CHECKED_VIEWS == 1, "this test program is built with the checks on");

TEST(CheckedViewsDeathTest, VectorIndicesOutsideTheDeclaredExtentStop) {
  std::vector<double> cells = {1.0, 2.0, 3.0, -1.0};  // the last cell lies beyond the view
  const Vector<double> v(cells.data(), 3);
  EXPECT_EQ(v(1), 1.0);
  EXPECT_EQ(v(3), 3.0);
  EXPECT_DEATH(v(0), "vector index \\(0, 1\\) outside its 3 x 1 cells");
  EXPECT_DEATH(v(4), "vector index \\(4, 1\\) outside its 3 x 1 cells");
  // A negative declared extent is an empty array: no cell at all.
  const Vector<const double> empty(cells.data(), -2);
  EXPECT_DEATH(empty(1), "vector index \\(1, 1\\) outside its 0 x 1 cells");
}

TEST(CheckedViewsDeathTest, MatrixIndicesOutsideRowsOrColumnsStop) {
  // 2 x 3, column-major: cell (i, j) is element (j - 1) * 2 + (i - 1).
  std::vector<double> cells = {11, 21, 12, 22, 13, 23, -1};
  const Matrix<const double> m(cells.data(), 2, 3);
  EXPECT_EQ(m(1, 1), 11.0);
  EXPECT_EQ(m(2, 1), 21.0);
  EXPECT_EQ(m(1, 3), 13.0);
  EXPECT_EQ(m(2, 3), 23.0);
  // (3, 1) would land on cell (1, 2) and (1, 4) past the end without the check.
  EXPECT_DEATH(m(3, 1), "matrix index \\(3, 1\\) outside its 2 x 3 cells");
  EXPECT_DEATH(m(1, 4), "matrix index \\(1, 4\\) outside its 2 x 3 cells");
  EXPECT_DEATH(m(0, 2), "matrix index \\(0, 2\\) outside its 2 x 3 cells");
}

TEST(CheckedViewsDeathTest, DerivativeWritesOutsideTheHostMatrixStop) {
  std::vector<double> storage(2 * 3 + 1, 7.0);  // one guard element after the matrix
  const Jacobian jac(storage.data(), 2, 3);
  jac.set(2, 3, 1.0);
  EXPECT_EQ(storage[5], 1.0);
  EXPECT_DEATH(jac.set(3, 1, 9.0), "derivative matrix index \\(3, 1\\) outside its 2 x 3 cells");
  EXPECT_DEATH(jac.set(1, 4, 9.0), "derivative matrix index \\(1, 4\\) outside its 2 x 3 cells");
  // A host that passes no matrix has no element to write.
  const Jacobian none(nullptr, 2, 3);
  EXPECT_DEATH(none.set(1, 1, 9.0), "derivative matrix index \\(1, 1\\) outside its 0 x 0 cells");
  // Reading outside reads 0 and clearing keeps to the matrix, without stopping.
  EXPECT_EQ(jac.get(3, 1), 0.0);
  jac.clearBlock(5, 5);
  EXPECT_EQ(storage[6], 7.0);
}

}  // namespace
