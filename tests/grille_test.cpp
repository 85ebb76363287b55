// The grid generators called directly: vertices, connectivity and tags of
// the mesh they return, and their fatal sizes.
#include "grille.h"

#include <memory>

#include "maillage.h"
#include "test_util.h"

namespace {

std::unique_ptr<maillage> grid(bool cells, float minx, float dx, int nx, float miny, float dy,
                               int ny) {
  return std::unique_ptr<maillage>(cells ? gen_mb(minx, dx, nx, miny, dy, ny)
                                         : gen_ms(minx, dx, nx, miny, dy, ny));
}

// Vertex (i, j) of a row-major grid of nx vertices per row, 1-based.
int vertex(int nx, int i, int j) { return j * nx + i + 1; }

TEST(GrilleTest, VertexCountsGiveVerticesFromTheOrigin) {
  auto m = grid(false, 1.0f, 0.5f, 3, -2.0f, 0.25f, 2);
  ASSERT_EQ(m->npt(), 6);
  ASSERT_EQ(m->ndim(), 2);
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 3; ++i) {
      int const v = vertex(3, i, j);
      EXPECT_EQ(m->x(v), static_cast<float>(static_cast<double>(i) * 0.5f + 1.0f)) << v;
      EXPECT_EQ(m->y(v), static_cast<float>(static_cast<double>(j) * 0.25f - 2.0f)) << v;
      EXPECT_EQ(m->ref(v), 0);
    }
}

TEST(GrilleTest, CellCountsShiftVerticesHalfAStepBack) {
  auto m = grid(true, 0.0f, 1.0f, 2, 0.0f, 2.0f, 1);
  ASSERT_EQ(m->npt(), 6);
  EXPECT_EQ(m->x(1), -0.5f);
  EXPECT_EQ(m->y(1), -1.0f);
  EXPECT_EQ(m->x(6), 1.5f);
  EXPECT_EQ(m->y(6), 1.0f);
  EXPECT_EQ(m->nelem(), 2);
}

TEST(GrilleTest, ElementsTurnCounterClockwiseFromTheirLowerLeftCorner) {
  for (bool cells : {false, true}) {
    auto m = grid(cells, 0.0f, 1.0f, 3, 0.0f, 1.0f, 3);
    int const nx = cells ? 4 : 3, cx = nx - 1;
    ASSERT_EQ(m->nelem(), cx * cx);
    ASSERT_EQ(m->telem(), 4);
    for (int j = 0; j < cx; ++j)
      for (int i = 0; i < cx; ++i) {
        int const e = j * cx + i + 1;
        EXPECT_EQ(m->lg(e, 1), vertex(nx, i, j));
        EXPECT_EQ(m->lg(e, 2), vertex(nx, i + 1, j));
        EXPECT_EQ(m->lg(e, 3), vertex(nx, i + 1, j + 1));
        EXPECT_EQ(m->lg(e, 4), vertex(nx, i, j + 1));
      }
    EXPECT_EQ(m->nsd(), 1);
  }
}

TEST(GrilleTest, ZeroVertexCountsGiveAnEmptyGrid) {
  auto m = grid(false, 0.0f, 1.0f, 0, 0.0f, 1.0f, 5);
  EXPECT_EQ(m->npt(), 0);
  EXPECT_EQ(m->nelem(), 0);
}

TEST(GrilleDeathTest, NegativeCountsStop) {
  EXPECT_FATAL(gen_mb(0, 1, -1, 0, 1, 2), 1, "Nombre de mailles negatif: nx=-1 ny=2\n");
  EXPECT_FATAL(gen_ms(0, 1, 2, 0, 1, -3), 1, "Nombre de mailles negatif: nx=2 ny=-3\n");
}

TEST(GrilleDeathTest, GridsBeyondIntCountsStopBeforeAllocating) {
  EXPECT_FATAL(gen_mb(0, 1, 2147483647, 0, 1, 1), 1, "Maillage trop grand: nx=2147483647 ny=1\n");
  EXPECT_FATAL(gen_ms(0, 1, 65536, 0, 1, 65536), 1, "Maillage trop grand: nx=65536 ny=65536\n");
}

}  // namespace
