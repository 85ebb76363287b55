// Tests of the mesh services: text dump and tags, transforms and merge,
// statistics, periodic identification.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "kadro_bytes.h"
#include "maillage.h"
#include "mesh_probe.h"
#include "test_util.h"

namespace {

double const pi = 3.141592653589793;

// nx x ny unit cells from (x0, y0), vertices row by row.
probe grid(int nx, int ny, float x0 = 0, float y0 = 0, float dy = 1) {
  coords v;
  for (int j = 0; j <= ny; ++j)
    for (int i = 0; i <= nx; ++i) v.push_back({x0 + i, y0 + j * dy});
  conn e;
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) {
      int const a = j * (nx + 1) + i + 1;
      e.push_back({a, a + 1, a + nx + 2, a + nx + 1});
    }
  return make_mesh(v, e, {}, "grille");
}

probe two_triangles() {
  return make_mesh({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{1, 2, 3}, {1, 3, 4}});
}

// Deletes a mesh handed out by a transform.
using owned = std::unique_ptr<maillage>;

void expect_same_topology(maillage const& a, probe const& b) {
  ASSERT_EQ(a.npt(), b.npt());
  ASSERT_EQ(a.nelem(), b.nelem());
  ASSERT_EQ(a.nsd(), b.nsd());
  for (int e = 1; e <= a.nelem(); ++e)
    for (int j = 1; j <= a.telem(); ++j) EXPECT_EQ(a.lg(e, j), b.lg(e, j));
  for (int i = 1; i <= a.npt(); ++i) EXPECT_EQ(a.ref(i), b.ref(i));
  for (int e = 1; e <= a.nelem(); ++e) EXPECT_EQ(a.sd(e), b.sd(e));
}

// The protected fields of any mesh, through a copy.
probe open_up(maillage const& m) {
  probe p;
  static_cast<maillage&>(p) = m;
  return p;
}

std::string title_of(maillage const& m) { return open_up(m).titre; }

}  // namespace

// ---------------------------------------------------------------- text dump

TEST(AsciiTest, GridDumpsAsDocumented) {
  TempDir d;
  probe g = grid(2, 1);
  g.ecrit_ascii(d.path("g.txt").c_str());
  std::string const z = "        0.0000000000 ", o = "        1.0000000000 ",
                    t = "        2.0000000000 ", tag = "     0\n";
  EXPECT_EQ(read_file(d.path("g.txt")), "6\n" + z + z + tag + o + z + tag + t + z + tag + z + o +
                                            tag + o + o + tag + t + o + tag +
                                            "2\n1 2 5 4 \n2 3 6 5 \n");
}

TEST(AsciiTest, ThreeCoordinatesTagsAndEmptyMesh) {
  TempDir d;
  probe m = make_mesh({{1.5f, -2, 0.25f}, {0, 0, 1}}, {{1, 2}}, {7, -12});
  m.ecrit_ascii(d.path("m.txt").c_str());
  EXPECT_EQ(read_file(d.path("m.txt")),
            "2\n"
            "        1.5000000000        -2.0000000000         0.2500000000      7\n"
            "        0.0000000000         0.0000000000         1.0000000000    -12\n"
            "1\n1 2 \n");
  maillage empty;
  empty.ecrit_ascii(d.path("e.txt").c_str());
  EXPECT_EQ(read_file(d.path("e.txt")), "0\n0\n");
}

TEST(RefTest, ResetAndSetTags) {
  probe m = make_mesh({{0, 0}, {1, 0}, {1, 1}}, {{1, 2, 3}}, {4, 5, 6});
  m.iniref();
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(m.ref(i), 0);
  m.setref(2, 9);
  EXPECT_EQ(m.ref(2), 9);
  EXPECT_EQ(m.ref(3), 0);
}

using AsciiDeathTest = ::testing::Test;

TEST(AsciiDeathTest, FailuresAreReported) {
  fixed_dir d("ascii_FailuresAreReported");
  probe g = grid(2, 1);
  EXPECT_FATAL(g.ecrit_ascii(d.dir.c_str()), 209,
               "Rcourb: problemmes d'ouvertoure du fichier " + d.dir + "\nIs a directory\n");
  EXPECT_FATAL(g.ecrit_ascii("/dev/full"), 209,
               "Rcourb: erreur d'ecriture du fichier /dev/full\n"
               "No space left on device\n");
  EXPECT_FATAL(g.setref(7, 1), 1, "Erreur d'adressage d'un vecteur [1,6] i=7");
}

// ---------------------------------------------------------------- transforms

TEST(TransformTest, RotationAboutAPoint) {
  probe m = make_mesh({{2, 1}, {1, 1}, {0, 0}}, {{1, 2, 3}}, {1, 2, 3}, "r");
  owned r(&m.rot(1, 1, pi / 2));
  EXPECT_FLOAT_EQ(r->x(1), 1.0f);
  EXPECT_FLOAT_EQ(r->y(1), 2.0f);
  EXPECT_FLOAT_EQ(r->x(3), 2.0f);
  EXPECT_FLOAT_EQ(r->y(3), 0.0f);
  expect_same_topology(*r, m);
  EXPECT_EQ(title_of(*r), "r");
  EXPECT_EQ(m.x(1), 2.0f);  // the source is unchanged

  owned full(&m.rot(0, 0, 2 * pi));
  EXPECT_NEAR(full->x(1), 2.0, 1e-6);
  EXPECT_NEAR(full->y(1), 1.0, 1e-6);
  owned back(&m.rot(0, 0, -6.283185307179586));
  EXPECT_NEAR(back->y(3), 0.0, 1e-6);
}

TEST(TransformTest, TranslationAndScaling) {
  probe g = grid(2, 1);
  owned t(&g.tran(0.5, -2));
  owned h(&g.homot(0, 0, 2));
  owned c(&g.homot(1, 1, -1));
  for (int i = 1; i <= g.npt(); ++i) {
    EXPECT_EQ(t->x(i), g.x(i) + 0.5f);
    EXPECT_EQ(t->y(i), g.y(i) - 2.0f);
    EXPECT_EQ(h->x(i), 2 * g.x(i));
    EXPECT_EQ(h->y(i), 2 * g.y(i));
    EXPECT_EQ(c->x(i), 2 - g.x(i));
  }
  expect_same_topology(*t, g);
  expect_same_topology(*h, g);
}

TEST(TransformTest, BendingTheUnitSquare) {
  probe sq = make_mesh({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{1, 2, 3, 4}});
  owned b(&sq.courb(1, 4, 0));
  EXPECT_NEAR(b->x(2), 1.0, 1e-7);
  EXPECT_NEAR(b->y(2), 0.0, 1e-7);
  EXPECT_NEAR(b->x(1), 0.0, 1e-7);
  EXPECT_NEAR(b->y(1), 1.0, 1e-7);
  double const r2 = 1 + pi / 2;
  EXPECT_NEAR(b->x(3), r2, 1e-6);
  EXPECT_NEAR(b->y(3), 0.0, 1e-6);
  EXPECT_NEAR(std::hypot(b->x(4), b->y(4)), r2, 1e-6);
  EXPECT_NEAR(b->y(4), r2, 1e-6);
  // Sector k = 1 starts where sector 0 ends.
  owned k1(&sq.courb(1, 4, 1));
  EXPECT_NEAR(k1->x(2), 0.0, 1e-7);
  EXPECT_NEAR(k1->y(2), 1.0, 1e-7);
  EXPECT_NEAR(k1->x(1), -1.0, 1e-7);
}

TEST(TransformTest, TransformsKeepCopiesOfTheSource) {
  probe g = grid(3, 2);
  g.set_maillage(g.sommets, g.elements, g.refsom, g.s_dom, "deux");
  g.setref(5, 8);
  g.init_stats();
  owned t(&g.tran(1, 1));
  g.setref(5, 9);
  EXPECT_EQ(t->ref(5), 8);
  EXPECT_EQ(title_of(*t), "deux");
  EXPECT_EQ(t->surf_tot(), 0);  // statistics are not carried over
}

using TransformDeathTest = ::testing::Test;

TEST(TransformDeathTest, RefusedTransforms) {
  probe g = grid(1, 1);
  probe m3 = make_mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}});
  probe m1 = make_mesh({{0}, {1}}, {{1, 2}});
  EXPECT_FATAL(g.rot(0, 0, 6.3), 2, "Tentative de rotation 2D d'angle trop grand: 6.300000");
  EXPECT_FATAL(g.rot(0, 0, -6.3), 2, "Tentative de rotation 2D d'angle trop grand: -6.300000");
  EXPECT_FATAL(g.rot(0, 0, std::nan("")), 2, "Tentative de rotation 2D d'angle trop grand: nan");
  EXPECT_FATAL(m3.rot(0, 0, 1), 1, "Tentative de rotation 2D d'une maillage 3D\n");
  EXPECT_FATAL(m3.tran(0, 0), 1, "Tentative de rotation 2D d'une maillage 3D\n");
  EXPECT_FATAL(m1.homot(0, 0, 2), 1, "Tentative de homotetie 2D d'une maillage 1D\n");
  EXPECT_FATAL(m3.courb(1, 4, 0), 1, "Tentative de courbure 2D d'une maillage 3D\n");
  maillage empty;
  EXPECT_FATAL(empty.tran(1, 1), 1, "Tentative de rotation 2D d'une maillage 0D\n");
}

TEST(TransformDeathTest, BendingNeedsAnArea) {
  probe g = grid(1, 1);
  probe flat = make_mesh({{0, 0}, {1, 0}, {2, 0}}, {{1, 2, 3}});
  EXPECT_FATAL(g.courb(1, 0, 0), 1, "Tentative de courbure 2D en 0 secteurs\n");
  EXPECT_FATAL(flat.courb(1, 4, 0), 1,
               "Tentative de courbure 2D d'une maillage de largeur 2.000000 et de "
               "hauteur 0.000000\n");
}

// ---------------------------------------------------------------- merge

TEST(MergeTest, MeshWithACopyOfItself) {
  probe a = make_mesh({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{1, 2, 3}, {1, 3, 4}}, {1, 2, 3, 4}, "a");
  maillage c = a + probe(a);
  EXPECT_EQ(c.npt(), 8);
  EXPECT_EQ(c.nelem(), 4);
  EXPECT_EQ(c.lg(3, 1), 5);
  EXPECT_EQ(c.lg(3, 3), 7);
  EXPECT_EQ(c.lg(4, 3), 8);
  EXPECT_EQ(c.lg(2, 2), 3);
  EXPECT_EQ(c.x(7), 1.0f);
  EXPECT_EQ(c.ref(8), 4);
  EXPECT_EQ(c.nsd(), 2);
  EXPECT_EQ(c.sd(2), 1);
  EXPECT_EQ(c.sd(3), 2);
  EXPECT_EQ(title_of(c), "Maillage resultat");
}

TEST(MergeTest, SubdomainsFollowAfterRenumbering) {
  probe a = grid(3, 1);
  a.set_maillage(
      a.sommets, a.elements, a.refsom,
      [] {
        gvector<int> s(0, 2);
        s[0] = 0, s[1] = 1, s[2] = 3;
        return s;
      }(),
      "a");
  probe b = grid(2, 1);
  probe c = open_up(a + b);
  ASSERT_EQ(c.s_dom.imin(), 0);
  ASSERT_EQ(c.s_dom.imax(), 3);
  EXPECT_EQ(c.s_dom[0], 0);
  EXPECT_EQ(c.s_dom[1], 1);
  EXPECT_EQ(c.s_dom[2], 3);
  EXPECT_EQ(c.s_dom[3], 5);
}

TEST(MergeTest, EmptyAndIncompatibleMeshes) {
  probe m = two_triangles();
  maillage empty;
  for (maillage const& c : {empty + m, m + empty}) {
    expect_same_topology(c, m);
    EXPECT_EQ(c.x(3), 1.0f);
    EXPECT_EQ(title_of(c), "Maillage resultat");
  }
  probe quad = make_mesh({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{1, 2, 3, 4}});
  probe m3 = make_mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}});
  for (maillage const& c : {m + quad, quad + m, m + m3, empty + empty}) {
    EXPECT_NE(c.empty(), 0);
    EXPECT_EQ(c.npt(), 0);
    EXPECT_EQ(c.nelem(), 0);
  }
}

// ---------------------------------------------------------------- statistics

TEST(StatsTest, ZeroBeforeComputing) {
  probe m = two_triangles();
  EXPECT_EQ(m.surf_tot(), 0);
  EXPECT_EQ(m.max_ls(), 0);
  m.init_stats();
  EXPECT_EQ(m.stat_status, 1);
  probe copy(m);
  EXPECT_EQ(copy.avg_se(), 0);
}

TEST(StatsTest, TwoTriangles) {
  probe m = two_triangles();
  m.init_stats();
  EXPECT_EQ(m.surf_tot(), 1);
  EXPECT_EQ(m.min_se(), 0.5);
  EXPECT_EQ(m.max_se(), 0.5);
  EXPECT_EQ(m.avg_se(), 0.5);
  EXPECT_NEAR(m.sd_se(), 0, 1e-12);
  EXPECT_EQ(m.min_ls(), 1);
  EXPECT_EQ(m.max_ls(), std::sqrt(2.0));
  // Six sides: four of length 1 and the shared diagonal twice.
  EXPECT_DOUBLE_EQ(m.avg_ls(), (4 + 2 * std::sqrt(2.0)) / 6);
}

TEST(StatsTest, QuadrilateralsAndGrids) {
  probe sq = make_mesh({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{1, 2, 3, 4}});
  sq.init_stats();
  EXPECT_EQ(sq.surf_tot(), 1);
  EXPECT_EQ(sq.avg_ls(), 1);
  EXPECT_EQ(sq.sd_ls(), 0);

  probe g = grid(2, 1);
  g.init_stats();
  EXPECT_EQ(g.surf_tot(), 2);
  EXPECT_EQ(g.avg_se(), 1);
  EXPECT_EQ(g.sd_se(), 0);

  // Cells 1 x 2: each has two sides of each length, eight sides in all.
  probe tall = grid(2, 1, 0, 0, 2);
  tall.init_stats();
  EXPECT_EQ(tall.surf_tot(), 4);
  EXPECT_EQ(tall.avg_ls(), 1.5);
  EXPECT_EQ(tall.sd_ls(), 0.5);
  EXPECT_EQ(tall.min_ls(), 1);
  EXPECT_EQ(tall.max_ls(), 2);
}

TEST(StatsTest, QuadrilateralAreaIsThePolygonArea) {
  // Convex, either orientation: the two triangles (1, 2, 4) and (2, 3, 4).
  probe c = make_mesh({{0, 0}, {2, 0}, {3, 2}, {0, 1}}, {{1, 2, 3, 4}, {4, 3, 2, 1}});
  c.init_stats();
  EXPECT_EQ(c.min_se(), 0.5 * (2 + 5));
  EXPECT_EQ(c.max_se(), 0.5 * (2 + 5));
  // Reflex vertex 3: the diagonal 2-4 lies outside, the triangle (2, 3, 4)
  // is cut away (area 1 - 0.25).
  probe q = make_mesh({{0, 0}, {2, 0}, {1, 0.25f}, {0, 1}}, {{1, 2, 3, 4}});
  q.init_stats();
  EXPECT_EQ(q.surf_tot(), 0.75);
}

TEST(StatsTest, Segments) {
  probe line = make_mesh({{0}, {1}, {3}}, {{1, 2}, {2, 3}});
  line.init_stats();
  EXPECT_EQ(line.surf_tot(), 3);
  EXPECT_EQ(line.min_se(), 1);
  EXPECT_EQ(line.max_se(), 2);
  EXPECT_EQ(line.avg_se(), 1.5);
  EXPECT_EQ(line.sd_se(), 0.5);
  EXPECT_EQ(line.min_ls(), 0);
  EXPECT_EQ(line.sd_ls(), 0);

  // In the plane: no sizes, one side per segment, the total is the length.
  probe plane = make_mesh({{0, 0}, {3, 4}, {3, 5}}, {{1, 2}, {2, 3}});
  plane.init_stats();
  EXPECT_EQ(plane.surf_tot(), 6);
  EXPECT_EQ(plane.max_se(), 0);
  EXPECT_EQ(plane.min_ls(), 1);
  EXPECT_EQ(plane.max_ls(), 5);
  EXPECT_EQ(plane.avg_ls(), 3);
  EXPECT_EQ(plane.sd_ls(), 2);
}

TEST(StatsTest, RoundingNeverGivesNaN) {
  // n copies of one segment of length v: find a pair whose mean of squares
  // falls below the squared mean once rounded.
  float const lengths[] = {0.1f, 0.3f, 0.7f, 1.1f, 0.2f, 0.9f, 1.3f, 3.3f};
  float v = 0;
  int n = 0;
  for (float len : lengths)
    for (int count = 3; count < 300 && n == 0; ++count) {
      double const d = static_cast<double>(len) - 0.0f;
      double sum = d, sumsq = d * d;
      for (int i = 1; i < count; ++i) sum += d, sumsq += d * d;
      double const avg = sum / count;
      if (sumsq / count - avg * avg < 0) v = len, n = count;
    }
  ASSERT_GT(n, 0) << "no negative rounding found";
  probe m = make_mesh({{0}, {v}}, conn(n, std::vector<int>{1, 2}));
  m.init_stats();
  EXPECT_FALSE(std::isnan(m.sd_se()));
  EXPECT_EQ(m.sd_se(), 0);

  probe t = make_mesh({{0, 0}, {v, 0}, {0, v}}, conn(n, std::vector<int>{1, 2, 3}));
  t.init_stats();
  EXPECT_FALSE(std::isnan(t.sd_se()));
  EXPECT_FALSE(std::isnan(t.sd_ls()));
}

using StatsDeathTest = ::testing::Test;

TEST(StatsDeathTest, UnsupportedMeshes) {
  probe m3 = make_mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}});
  EXPECT_FATAL(m3.init_stats(), 1, "Version 3D du calcul de volume non prevu (pour le moment)\n");
  probe six = make_mesh({{0, 0}, {1, 0}, {0, 1}}, {{1, 2, 3, 1, 2, 3}});
  EXPECT_FATAL(six.init_stats(), 1,
               "Version 2D du calcul de suface elements a 6 noueds non prevu "
               "(pour le moment)\n");
  probe none = make_mesh({{0, 0}, {1, 0}, {0, 1}}, {});
  EXPECT_FATAL(none.init_stats(), 1, "Statistiques d'une maillage sans element\n");
  maillage empty;
  EXPECT_FATAL(empty.init_stats(), 1,
               "Version 0D du calcul de volume non prevu (pour le moment)\n");
  probe bad = two_triangles();
  bad.elements(2, 3) = 9;
  EXPECT_FATAL(bad.init_stats(), 1, "Maillage invalide: sommet 9 de l'element 2 hors de 1..4\n");
}

// ---------------------------------------------------------------- periodic

namespace {

int const RD = 2, RCD = 3, RG = 4, RCG = 5;

// The pairing by exchange sort, applied to plain arrays.
void exchange_fix_per(std::vector<float>& y, std::vector<int> const& tags) {
  std::vector<int> dt, gch;
  int icd = -1, icg = -1;
  for (int i = 0; i < static_cast<int>(y.size()); ++i) {
    if (tags[i] == RD)
      dt.push_back(i);
    else if (tags[i] == RCD)
      icd = i;
    else if (tags[i] == RG)
      gch.push_back(i);
    else if (tags[i] == RCG)
      icg = i;
  }
  y[icg] = y[icd];
  for (std::size_t i = 0; i < dt.size(); ++i) {
    for (std::size_t j = i + 1; j < dt.size(); ++j) {
      if (y[gch[i]] > y[gch[j]]) std::swap(gch[i], gch[j]);
      if (y[dt[i]] > y[dt[j]]) std::swap(dt[i], dt[j]);
    }
    y[gch[i]] = y[dt[i]];
  }
}

probe tagged_points(std::vector<float> const& y, std::vector<int> const& tags) {
  coords v;
  for (std::size_t i = 0; i < y.size(); ++i)
    v.push_back({tags[i] == RD || tags[i] == RCD ? 1.0f : 0.0f, y[i]});
  return make_mesh(v, {}, tags);
}

}  // namespace

TEST(PeriodicTest, LeftEdgeTakesTheRightEdgeByRank) {
  // Right 0, 0.5, 1 in scrambled vertex order; left 0.01, 0.49, 1.02.
  probe m = tagged_points({0.5f, 1.02f, 0.0f, 0.01f, 1.0f, 0.49f, -1, -1.5f},
                          {RD, RG, RD, RG, RD, RG, RCD, RCG});
  m.fix_per(RD, RCD, RG, RCG);
  EXPECT_EQ(m.y(4), 0.0f);
  EXPECT_EQ(m.y(6), 0.5f);
  EXPECT_EQ(m.y(2), 1.0f);
  EXPECT_EQ(m.y(8), -1.0f);
  EXPECT_EQ(m.y(1), 0.5f);
  EXPECT_EQ(m.x(2), 0.0f);
}

TEST(PeriodicTest, StructuredRectangle) {
  probe g = grid(4, 5);
  auto tag_edges = [](probe& m) {
    for (int j = 0; j <= 5; ++j) {
      m.setref(j * 5 + 1, j == 0 ? RCG : RG);
      m.setref(j * 5 + 5, j == 0 ? RCD : RD);
    }
  };
  tag_edges(g);
  probe before(g);
  g.fix_per(RD, RCD, RG, RCG);
  for (int i = 1; i <= g.npt(); ++i) EXPECT_EQ(g.y(i), before.y(i));

  for (int j = 0; j <= 5; ++j) g.sommets(j * 5 + 1, 2) += 0.01f * (j % 3) - 0.01f;
  g.fix_per(RD, RCD, RG, RCG);
  for (int j = 0; j <= 5; ++j) EXPECT_EQ(g.y(j * 5 + 1), g.y(j * 5 + 5));
  for (int e = 1; e <= g.nelem(); ++e) EXPECT_EQ(g.lg(e, 1), before.lg(e, 1));
}

TEST(PeriodicTest, MatchesTheExchangeSort) {
  std::mt19937 rng(12345);
  for (int trial = 0; trial < 300; ++trial) {
    int const n = 1 + trial % 40;
    std::vector<int> tags;
    for (int k = 0; k < n; ++k) tags.push_back(RD), tags.push_back(RG);
    tags.push_back(RCD);
    tags.push_back(RCG);
    for (int k = 0; k < trial % 7; ++k) tags.push_back(0);
    std::shuffle(tags.begin(), tags.end(), rng);
    // Right values from a small set (many ties), left values distinct.
    std::vector<float> y(tags.size());
    std::vector<float> left;
    for (int k = 0; k < n; ++k) left.push_back(0.001f * k);
    std::shuffle(left.begin(), left.end(), rng);
    std::size_t li = 0;
    for (std::size_t i = 0; i < y.size(); ++i)
      y[i] = tags[i] == RG ? left[li++] : static_cast<float>(rng() % 5) * 0.25f;
    probe m = tagged_points(y, tags);
    exchange_fix_per(y, tags);
    m.fix_per(RD, RCD, RG, RCG);
    for (std::size_t i = 0; i < y.size(); ++i)
      ASSERT_EQ(m.y(static_cast<int>(i) + 1), y[i]) << "trial " << trial;
  }
}

TEST(PeriodicTest, TiedLeftVerticesKeepVertexOrder) {
  // Left y 0.5, 0.5, 0.1 at vertices 1, 2, 3; right y 0, 0.4, 0.6. Ranks:
  // vertex 3, then vertex 1, then vertex 2. (The exchange sort would swap
  // vertices 1 and 2 on the way: it does not keep the order of ties.)
  std::vector<float> y = {0.5f, 0.5f, 0.1f, 0, 0.4f, 0.6f, 0, 0};
  std::vector<int> tags = {RG, RG, RG, RD, RD, RD, RCD, RCG};
  probe m = tagged_points(y, tags);
  m.fix_per(RD, RCD, RG, RCG);
  EXPECT_EQ(m.y(3), 0.0f);
  EXPECT_EQ(m.y(1), 0.4f);
  EXPECT_EQ(m.y(2), 0.6f);
  exchange_fix_per(y, tags);
  EXPECT_EQ(y[0], 0.6f);
}

using PeriodicDeathTest = ::testing::Test;

TEST(PeriodicDeathTest, InvalidMeshes) {
  probe counts = tagged_points({0, 0.5f, 1, 0, 1, 0, 0}, {RD, RD, RD, RG, RG, RCD, RCG});
  EXPECT_FATAL(counts.fix_per(RD, RCD, RG, RCG), 1,
               "Maillage invalide: 3 sur la droite 2 sur la gauche\n");
  probe corner = tagged_points({0, 1, 0, 1, 0}, {RD, RD, RG, RG, RCD});
  EXPECT_FATAL(corner.fix_per(RD, RCD, RG, RCG), 1,
               "Maillage invalide: aucun sommet de coin de reference 5\n");
  // rcd == rd: the vertices tagged rd stay edge vertices, none is a corner.
  probe same = tagged_points({0, 1, 0.1f, 0.9f, 2}, {RD, RD, RG, RG, RCG});
  EXPECT_FATAL(same.fix_per(RD, RD, RG, RCG), 1,
               "Maillage invalide: aucun sommet de coin de reference 2\n");
  probe none = tagged_points({0, 1}, {RD, RG});
  EXPECT_FATAL(none.fix_per(RD, RCD, RG, RCG), 1,
               "Maillage invalide: aucun sommet de coin de reference 3\n");
}
