// Tests of the vertex neighbour lists, their listing, the renumbering data
// and the tag file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "kadro_bytes.h"
#include "llist.h"
#include "maillage.h"
#include "mesh_probe.h"
#include "test_util.h"

namespace {

// nv vertices at (i, i).
probe make_mesh(int nv, conn const& e) {
  coords v;
  for (int i = 1; i <= nv; ++i) v.push_back({float(i), float(i)});
  return ::make_mesh(v, e, {}, "v");
}

std::vector<int> values(llist<int> const& l) {
  std::vector<int> v;
  for (lnode<int>* p = l.tete(); p != nullptr; p = p->suivant()) v.push_back(p->el());
  return v;
}

using lists = std::unique_ptr<licolect>;

std::string renum(maillage const& m) {
  TempDir d;
  std::string const f = d.path("renum");
  m.gen_data_renum(f.c_str());
  return read_file(f);
}

std::string listing(maillage const& m) {
  TempDir d;
  std::string const f = d.path("voisins");
  m.d_list_voisins(f.c_str());
  return read_file(f);
}

}  // namespace

TEST(VoisinsTest, OneTriangle) {
  probe m = make_mesh(3, {{1, 2, 3}});
  lists l(&m.list_voisins());
  ASSERT_EQ(l->imin(), 1);
  ASSERT_EQ(l->imax(), 3);
  for (int v = 1; v <= 3; ++v) EXPECT_EQ(values((*l)[v]), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(renum(m), "3\n2\n2\n2\n1\n3\n5\n1 2 3 \n1 2 3 \n1 2 3 \n");
  EXPECT_EQ(listing(m), "3\n1 2 3 \n3\n1 2 3 \n3\n1 2 3 \n");
}

TEST(VoisinsTest, TwoTriangles) {
  probe m = make_mesh(4, {{1, 2, 3}, {1, 3, 4}});
  lists l(&m.list_voisins());
  EXPECT_EQ(values((*l)[1]), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(values((*l)[2]), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(values((*l)[3]), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(values((*l)[4]), (std::vector<int>{1, 3, 4}));
  EXPECT_EQ(renum(m),
            "4\n3\n2\n3\n2\n1\n4\n6\n9\n"
            "1 2 3 4 \n1 2 3 \n1 2 3 4 \n1 3 4 \n");
}

TEST(VoisinsTest, IsolatedVertex) {
  probe m = make_mesh(4, {{1, 2, 3}});
  lists l(&m.list_voisins());
  EXPECT_EQ((*l)[4].ne(), 0);
  EXPECT_EQ(renum(m), "4\n2\n2\n2\n-1\n1\n3\n5\n7\n1 2 3 \n1 2 3 \n1 2 3 \n\n");
  EXPECT_EQ(listing(m), "3\n1 2 3 \n3\n1 2 3 \n3\n1 2 3 \n0\n\n");
}

TEST(VoisinsTest, ListingOnAnOpenStreamLeavesItOpen) {
  TempDir d;
  std::string const f = d.path("s");
  FILE* fp = std::fopen(f.c_str(), "w");
  ASSERT_NE(fp, nullptr);
  std::fputs("avant\n", fp);
  make_mesh(2, {{2, 1}}).d_list_voisins(fp);
  std::fputs("apres\n", fp);
  ASSERT_EQ(std::fclose(fp), 0);
  EXPECT_EQ(read_file(f), "avant\n2\n1 2 \n2\n1 2 \napres\n");
}

TEST(VoisinsTest, MatchesInsertionElementByElement) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 50; ++trial) {
    int const nv = 1 + trial % 13, t = 2 + trial % 4, ne = trial % 17;
    std::vector<std::vector<int>> e(ne, std::vector<int>(t));
    for (auto& row : e)
      for (int& v : row) v = 1 + static_cast<int>(rng() % nv);  // repeats too
    probe m = make_mesh(nv, e);
    lists l(&m.list_voisins());
    ASSERT_EQ(l->imax(), nv);
    // Every vertex of an element, inserted with each of the others.
    std::vector<llist<int>> ref(nv + 1);
    for (auto const& row : e)
      for (int k = 0; k < t; ++k) {
        int const v = row[k];
        ref[v].insert(v);
        for (int j = 0; j <= t - 2; ++j) ref[v].insert(row[(k + j + 1) % t]);
      }
    for (int v = 1; v <= nv; ++v)
      ASSERT_EQ(values((*l)[v]), values(ref[v])) << "trial " << trial << " vertex " << v;
  }
}

// The lists of a mesh are built in one block of nodes: they take
// insertions, copies and moves, and outlive their collection (the
// sanitizer build checks that every node is freed once).
TEST(VoisinsTest, ListsOwnTheirNodesAfterTheCollectionIsGone) {
  std::mt19937 rng(11);
  int const nv = 3000, ne = 2000;
  std::vector<std::vector<int>> e(ne, std::vector<int>(3));
  for (auto& row : e)
    for (int& v : row) v = 1 + static_cast<int>(rng() % nv);
  probe m = make_mesh(nv, e);
  lists l(&m.list_voisins());
  llist<int> kept((*l)[e[0][0]]);
  llist<int> moved(std::move((*l)[e[1][0]]));
  EXPECT_EQ((*l)[e[1][0]].tete(), nullptr);
  (*l)[e[2][0]].insert(0);
  (*l)[e[2][0]].insert(nv + 1);
  EXPECT_EQ(values((*l)[e[2][0]]).front(), 0);
  std::vector<int> const before = values(kept), moved_before = values(moved);
  l.reset();
  kept.insert(nv + 2);
  moved.insert(-1);
  std::vector<int> after = before;
  after.push_back(nv + 2);
  EXPECT_EQ(values(kept), after);
  std::vector<int> m_after = {-1};
  m_after.insert(m_after.end(), moved_before.begin(), moved_before.end());
  EXPECT_EQ(values(moved), m_after);
}

TEST(VoisinsTest, GridInteriorVertexHasNineEntries) {
  int const n = 4;
  std::vector<std::vector<int>> e;
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      int const a = j * (n + 1) + i + 1;
      e.push_back({a, a + 1, a + n + 2, a + n + 1});
    }
  probe g = make_mesh((n + 1) * (n + 1), e);
  lists l(&g.list_voisins());
  EXPECT_EQ(values((*l)[7]), (std::vector<int>{1, 2, 3, 6, 7, 8, 11, 12, 13}));
  EXPECT_EQ((*l)[1].ne(), 4);
  EXPECT_EQ((*l)[3].ne(), 6);
}

TEST(RefTest, DumpRefSavesTheTags) {
  TempDir d;
  probe m = make_mesh(3, {{1, 2, 3}});
  m.setref(2, 7);
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(d.dir().c_str()), 0);
  m.dump_ref();
  std::string const tags = read_file("ref.save");
  m.iniref();
  m.dump_ref();
  std::string const zeros = read_file("ref.save");
  ASSERT_EQ(chdir(cwd), 0);
  EXPECT_EQ(tags, "VI\n1 3\n0 \n7 \n0 \n");
  EXPECT_EQ(zeros, "VI\n1 3\n0 \n0 \n0 \n");
}

using VoisinsDeathTest = ::testing::Test;

TEST(VoisinsDeathTest, VertexNumbersOutsideTheMesh) {
  fixed_dir d("voisins_VertexNumbersOutsideTheMesh");
  std::string const f = d.path("out");
  for (int bad : {0, 5, -1}) {
    probe m = make_mesh(4, {{1, 2, 3}, {1, 3, 4}});
    m.elements(2, 2) = bad;
    std::string const msg =
        "Maillage invalide: sommet " + std::to_string(bad) + " de l'element 2 hors de 1..4\n";
    EXPECT_FATAL(m.list_voisins(), 1, msg);
    EXPECT_FATAL(m.gen_data_renum(f.c_str()), 1, msg);
    EXPECT_FATAL(m.d_list_voisins(f.c_str()), 1, msg);
  }
}

TEST(VoisinsDeathTest, OpenAndWriteFailures) {
  fixed_dir d("voisins_OpenAndWriteFailures");
  probe m = make_mesh(3, {{1, 2, 3}});
  EXPECT_FATAL(m.gen_data_renum(d.dir.c_str()), 1,
               "Erreur d'ouverture de " + d.dir + "\nIs a directory\n");
  EXPECT_FATAL(m.gen_data_renum("/dev/full"), 1,
               "Erreur d'ecriture de /dev/full\nNo space left on device\n");
  EXPECT_FATAL(m.d_list_voisins(d.dir.c_str()), 1,
               "Impossible d'ouvrir le fichier " + d.dir + "\n");
  EXPECT_FATAL(m.d_list_voisins("/dev/full"), 1,
               "Erreur d'ecriture de /dev/full\nNo space left on device\n");
}

TEST(VoisinsDeathTest, FailedTagFileIsReported) {
  fixed_dir d("voisins_FailedTagFileIsReported");
  // The death test's child runs this again: the link may be there already.
  (void)symlink("/dev/full", d.path("ref.save").c_str());
  probe m = make_mesh(3, {{1, 2, 3}});
  EXPECT_EXIT(
      {
        if (chdir(d.dir.c_str()) != 0) std::abort();
        m.dump_ref();
      },
      ::testing::ExitedWithCode(1), fatal_re("Erreur d'ecriture de fichier: ref.save\n"));
}
