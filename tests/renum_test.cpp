// Tests of the renumbering module: the orders, the profile of a numbering,
// the renumbered mesh, the adjacency file and the permutation file.
#include "renum.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kadro_bytes.h"
#include "llist.h"
#include "maillage.h"
#include "profil.h"
#include "renum_meshes.h"
#include "test_util.h"

namespace {

// Lists 1..size taken as they are.
lists listes(std::vector<std::vector<int>> const& l) {
  lists c(new licolect(1, static_cast<int>(l.size())));
  for (std::size_t v = 0; v < l.size(); ++v)
    for (int x : l[v]) (*c)[static_cast<int>(v) + 1].insert(x);
  return c;
}

gvector<int> vec(std::vector<int> const& v) {
  gvector<int> p(1, static_cast<int>(v.size()));
  for (std::size_t k = 0; k < v.size(); ++k) p[static_cast<int>(k) + 1] = v[k];
  return p;
}

std::vector<int> values(gvector<int> const& p) {
  std::vector<int> v;
  for (int i = p.imin(); i <= p.imax(); ++i) v.push_back(p[i]);
  return v;
}

bool is_permutation(gvector<int> const& p, int n) {
  if (p.imax() - p.imin() + 1 != n || (n > 0 && p.imin() != 1)) return false;
  std::vector<int> v = values(p);
  std::sort(v.begin(), v.end());
  for (int i = 0; i < n; ++i)
    if (v[i] != i + 1) return false;
  return true;
}

gvector<int> reversed(gvector<int> p) {
  int const n = p.imax();
  for (int i = 1; i <= n; ++i) p[i] = n + 1 - p[i];
  return p;
}

// Profile size straight from the lists: line p[v] starts at the smallest
// p[u] of the vertices u listed with v.
long long profile_of(licolect const& l, gvector<int> const& p) {
  long long s = 0;
  for (int v = l.imin(); v <= l.imax(); ++v) {
    int first = p[v];
    for (lnode<int>* q = l[v].tete(); q != nullptr; q = q->suivant())
      first = std::min(first, p[q->el()]);
    s += p[v] - first + 1;
  }
  return s;
}

gvector<int> identity(int n) {
  gvector<int> p(1, n);
  for (int i = 1; i <= n; ++i) p[i] = i;
  return p;
}

struct probe : maillage {
  using maillage::maillage;
  explicit probe(maillage const& m) : maillage(m) {}
  using maillage::s_dom;
  using maillage::titre;
};

lists voisins(maillage const& m) { return lists(&m.list_voisins()); }

std::string kadro_of(maillage const& m) {
  TempDir d;
  std::string const f = d.path("m.kadro2D");
  m.ecrit_kadro(f.c_str());
  return read_file(f);
}

struct order {
  char const* name;
  gvector<int> (*f)(gcolect<llist<int>> const&);
};

void PrintTo(order const& o, std::ostream* os) { *os << o.name; }

order const kRcm{"Rcm", static_cast<gvector<int> (*)(gcolect<llist<int>> const&)>(renum_rcm)};
order const kSloan{"Sloan", static_cast<gvector<int> (*)(gcolect<llist<int>> const&)>(renum_sloan)};

}  // namespace

// --- Both orders ----------------------------------------------------------

class OrderTest : public ::testing::TestWithParam<order> {};
INSTANTIATE_TEST_SUITE_P(Renum, OrderTest, ::testing::Values(kRcm, kSloan),
                         [](::testing::TestParamInfo<order> const& i) {
                           return std::string(i.param.name);
                         });

TEST_P(OrderTest, GivesAPermutationOnEveryGraph) {
  auto f = GetParam().f;
  EXPECT_TRUE(is_permutation(f(licolect()), 0));
  EXPECT_TRUE(is_permutation(f(licolect(1, 0)), 0));
  EXPECT_TRUE(is_permutation(f(licolect(1, 3)), 3));  // three empty lists
  EXPECT_TRUE(is_permutation(f(*voisins(grid(7, 5))), 35));
  for (unsigned s = 1; s <= 20; ++s) {
    lists l = unstructured(3 + s % 9, 2 + s % 7, s, static_cast<int>(s % 4) * 15);
    EXPECT_TRUE(is_permutation(f(*l), l->imax())) << "seed " << s;
  }
}

TEST_P(OrderTest, NumbersComponentsInBlocksBySmallestVertex) {
  // {1}, {2, 5}, {3, 6, 7}, {4}.
  gvector<int> p = GetParam().f(*graphe(7, {{2, 5}, {3, 6}, {6, 7}, {3, 7}}));
  EXPECT_EQ(p[1], 1);
  EXPECT_EQ(std::min(p[2], p[5]), 2);
  EXPECT_EQ(std::max(p[2], p[5]), 3);
  EXPECT_EQ(std::min({p[3], p[6], p[7]}), 4);
  EXPECT_EQ(std::max({p[3], p[6], p[7]}), 6);
  EXPECT_EQ(p[4], 7);
}

TEST_P(OrderTest, IgnoresWhetherAVertexIsInItsOwnList) {
  lists with = unstructured(9, 7, 3, 10);
  lists without(new licolect(*with));
  for (int v = 1; v <= without->imax(); ++v) {
    llist<int> rest;
    for (lnode<int>* q = (*with)[v].tete(); q != nullptr; q = q->suivant())
      if (q->el() != v) rest.insert(q->el());
    (*without)[v] = rest;
  }
  EXPECT_EQ(values(GetParam().f(*with)), values(GetParam().f(*without)));
}

TEST_P(OrderTest, NumbersABadlyNumberedPathAlongThePath) {
  // 1 - 5 - 2 - 4 - 3
  gvector<int> p = GetParam().f(*graphe(5, {{1, 5}, {5, 2}, {2, 4}, {4, 3}}));
  EXPECT_EQ(values(p), (std::vector<int>{1, 3, 5, 4, 2}));
}

TEST_P(OrderTest, RecoversASmallProfileFromAShuffledGrid) {
  // The grid 40 x 12 with its vertices shuffled; numbered along its short
  // side its profile is grid_profile(12, 40).
  lists l = unstructured(40, 12, 11, 0);
  gvector<int> p = GetParam().f(*l);
  long long const best = grid_profile(12, 40);
  EXPECT_GT(profile_of(*l, identity(480)), 10 * best);
  EXPECT_LE(profile_of(*l, p), best + best / 10);
}

// --- Reverse Cuthill-McKee --------------------------------------------------

TEST(RcmTest, NumbersAStarFromALeafWithItsCentreNextToLast) {
  // Centre 1, leaves 2..6: from leaf 3, the centre, then the other leaves;
  // reversed.
  gvector<int> p = renum_rcm(*graphe(6, {{1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}}));
  EXPECT_EQ(values(p), (std::vector<int>{5, 4, 6, 3, 2, 1}));
  lists l = graphe(6, {{1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}});
  EXPECT_EQ(profile_of(*l, p), 11);
  EXPECT_EQ(profile_of(*l, identity(6)), 21);
}

TEST(RcmTest, NumbersEachComponentFromItsPeripheralVertex) {
  gvector<int> p = renum_rcm(*graphe(7, {{2, 5}, {3, 6}, {6, 7}, {3, 7}}));
  EXPECT_EQ(values(p), (std::vector<int>{1, 2, 5, 7, 3, 6, 4}));
}

TEST(RcmTest, KeepsThinGridsWithinTwoColumns) {
  for (auto s : {std::make_pair(10, 3), {20, 5}, {50, 10}, {100, 4}}) {
    probe g(grid(s.first, s.second));
    adjacence const a(*voisins(g));
    mesure_profil const m = mesure(a, renum_rcm(a));
    EXPECT_EQ(m.demi_bande, 2 * s.second) << s.first << " x " << s.second;
    long long const columns = grid_profile(s.second, s.first);
    EXPECT_LE(m.profil, columns + columns / 20) << s.first << " x " << s.second;
  }
}

TEST(RcmTest, IsNeverWorseThanCuthillMcKee) {
  for (unsigned s = 1; s <= 30; ++s) {
    lists l = unstructured(4 + s % 13, 3 + s % 11, s, static_cast<int>(s % 3) * 10);
    gvector<int> p = renum_rcm(*l);
    EXPECT_LE(profile_of(*l, p), profile_of(*l, reversed(p))) << "seed " << s;
  }
}

// --- Sloan ----------------------------------------------------------------

TEST(SloanTest, ProfileNoLargerThanRcmOrItsOwnReverse) {
  std::vector<lists> cases;
  for (auto s : {std::make_pair(10, 3), {20, 5}, {50, 10}, {10, 10}, {7, 7}})
    cases.push_back(voisins(grid(s.first, s.second)));
  for (unsigned s = 1; s <= 30; ++s)
    cases.push_back(unstructured(5 + s % 17, 3 + (s * 7) % 13, s, static_cast<int>(s % 3) * 5));
  for (std::size_t k = 0; k < cases.size(); ++k) {
    licolect const& l = *cases[k];
    gvector<int> const s = renum_sloan(l);
    long long const ps = profile_of(l, s);
    EXPECT_LE(ps, profile_of(l, renum_rcm(l))) << "case " << k;
    EXPECT_LE(ps, profile_of(l, reversed(s))) << "case " << k;
  }
}

TEST(SloanTest, WeighsTheCurrentDegreeTwiceTheDistance) {
  adjacence const a(*unstructured(12, 9, 8, 0));
  EXPECT_EQ(values(renum_sloan(a)), values(renum_sloan(a, 1, 2)));
  EXPECT_NE(values(renum_sloan(a)), values(renum_sloan(a, 2, 1)));
}

TEST(SloanDeathTest, RefusesWeightsOutOfRange) {
  adjacence const a(*graphe(2, {{1, 2}}));
  EXPECT_FATAL(renum_sloan(a, -1, 2), 1, "Poids de Sloan hors de 0..1000: -1, 2\n");
  EXPECT_FATAL(renum_sloan(a, 1, 1001), 1, "Poids de Sloan hors de 0..1000: 1, 1001\n");
}

// --- Profile of a numbering -----------------------------------------------

TEST(ProfilVoisinsTest, GivesHandValuesOnSmallMeshes) {
  // Triangles (1, 2, 3) and (1, 3, 4): every line starts at 1.
  EXPECT_EQ(values(profil_voisins(*graphe(4, {{1, 2}, {2, 3}, {1, 3}, {3, 4}, {1, 4}}))),
            (std::vector<int>{0, 1, 3, 6, 10}));
  // Vertex 1 alone, triangle (2, 3, 4).
  EXPECT_EQ(values(profil_voisins(*graphe(4, {{2, 3}, {3, 4}, {2, 4}}))),
            (std::vector<int>{0, 1, 2, 4, 7}));
  EXPECT_EQ(values(profil_voisins(licolect(1, 0))), (std::vector<int>{0}));
}

TEST(ProfilVoisinsTest, MatchesTheHandFormulaOfThePoissonExample) {
  for (auto s : {std::make_pair(2, 2), {5, 3}, {9, 9}, {17, 4}}) {
    probe g(grid(s.first, s.second));
    lists l = voisins(g);
    gvector<int> const p = profil_voisins(*l);
    ASSERT_EQ(p.imin(), 0);
    ASSERT_EQ(p.imax(), g.npt());
    EXPECT_EQ(p[0], 0);
    for (int i = 1; i <= g.npt(); ++i) {
      llist<int> const& li = (*l)[i];
      int const first = li.ne() > 0 ? li[1] : i;
      EXPECT_EQ(p[i], p[i - 1] + (i - first + 1)) << "line " << i;
    }
    EXPECT_EQ(p[g.npt()], grid_profile(s.first, s.second));
  }
}

TEST(ProfilVoisinsTest, HoldsEveryEntryOfAFiniteElementMatrix) {
  lists l = unstructured(8, 6, 5, 10);
  gvector<int> const p = renum_sloan(*l);
  // The lists of the renumbered vertices.
  lists r(new licolect(1, l->imax()));
  for (int v = 1; v <= l->imax(); ++v)
    for (lnode<int>* q = (*l)[v].tete(); q != nullptr; q = q->suivant())
      (*r)[p[v]].insert(p[q->el()]);
  skysmatrix<double> a(profil_voisins(*r));
  a = 0.0;
  for (int i = 1; i <= r->imax(); ++i)
    for (lnode<int>* q = (*r)[i].tete(); q != nullptr; q = q->suivant())
      if (q->el() <= i) a(i, q->el()) += 1.0;
  EXPECT_EQ(a.size(), profile_of(*l, p));
}

TEST(MesureTest, AgreesWithTheListsForAnyPermutation) {
  std::mt19937 rng(4);
  for (unsigned s = 1; s <= 20; ++s) {
    lists l = unstructured(3 + s % 7, 2 + s % 5, s, 20);
    int const n = l->imax();
    std::vector<int> q(n);
    for (int i = 0; i < n; ++i) q[i] = i + 1;
    std::shuffle(q.begin(), q.end(), rng);
    gvector<int> const p = vec(q);
    adjacence const a(*l);
    mesure_profil const m = mesure(a, p);
    EXPECT_EQ(m.profil, profile_of(*l, p));
    int band = 0;
    for (int v = 1; v <= n; ++v)
      for (lnode<int>* x = (*l)[v].tete(); x != nullptr; x = x->suivant())
        band = std::max(band, p[v] - p[x->el()]);
    EXPECT_EQ(m.demi_bande, band);
    EXPECT_EQ(mesure(a).profil, profil_voisins(*l)[n]);
  }
}

TEST(ProfilVoisinsDeathTest, RefusesAProfileBeyondAnInt) {
  // A star of 70000 leaves around vertex 1: line i starts at 1.
  int const n = 70001;
  lists l(new licolect(1, n));
  for (int v = 1; v <= n; ++v) (*l)[v].insert(v);
  lnode<int>* last = (*l)[1].tete();
  for (int v = 2; v <= n; ++v) {
    (*l)[v].insert(1);
    last = (*l)[1].insert(v, last);
  }
  EXPECT_FATAL(profil_voisins(*l), 1, "Profil trop grand: 2450105001 termes\n");
}

// --- Checks of the lists --------------------------------------------------

TEST(AdjacenceTest, KeepsNeighboursAscendingWithoutTheVertexItself) {
  adjacence const a(*graphe(4, {{1, 3}, {3, 2}, {1, 4}}));
  ASSERT_EQ(a.n(), 4);
  EXPECT_EQ(std::vector<int>(a.debut(), a.debut() + 5), (std::vector<int>{0, 2, 3, 5, 6}));
  EXPECT_EQ(std::vector<int>(a.liste(), a.liste() + 6), (std::vector<int>{2, 3, 2, 0, 1, 0}));
  EXPECT_EQ(a.degre(2), 2);
}

TEST(AdjacenceDeathTest, RefusesListsThatAreNotSymmetric) {
  EXPECT_FATAL(adjacence(*listes({{}, {}, {7}, {}, {}, {}, {}})), 1,
               "Voisins non symetriques: 3 voit 7, 7 ne voit pas 3\n");
  // Found while checking list 2: list 3 names 1, which does not name 3.
  EXPECT_FATAL(adjacence(*listes({{}, {3}, {1, 2}})), 1,
               "Voisins non symetriques: 3 voit 1, 1 ne voit pas 3\n");
  EXPECT_FATAL(renum_rcm(*listes({{2}, {}})), 1,
               "Voisins non symetriques: 1 voit 2, 2 ne voit pas 1\n");
}

TEST(AdjacenceDeathTest, RefusesVerticesOutsideTheCollection) {
  EXPECT_FATAL(renum_sloan(*listes({{1}, {2, 5}, {3}})), 1,
               "Voisins: la liste de 2 nomme 5, hors de 1..3\n");
  EXPECT_FATAL(profil_voisins(*listes({{0, 1}})), 1,
               "Voisins: la liste de 1 nomme 0, hors de 1..1\n");
  licolect from0(0, 2);
  EXPECT_FATAL(renum_rcm(from0), 1, "Voisins: indices 0..2 au lieu de 1..n\n");
}

TEST(AdjacenceDeathTest, RefusesInconsistentCompactRows) {
  char const* m = "Adjacence compacte incoherente: ";
  EXPECT_FATAL(adjacence(2, {0, 0}, {}, nullptr), 1,
               std::string(m) + "nombre de debuts de listes\n");
  EXPECT_FATAL(adjacence(2, {0, 2, 1}, {1}, nullptr), 1, std::string(m) + "debuts de listes\n");
  EXPECT_FATAL(adjacence(2, {0, 1, 1}, {0}, nullptr), 1,
               std::string(m) + "sommet dans sa propre liste\n");
  EXPECT_FATAL(adjacence(3, {0, 2, 3, 4}, {2, 1, 0, 0}, nullptr), 1,
               std::string(m) + "liste non strictement croissante\n");
  EXPECT_FATAL(adjacence(2, {0, 1, 1}, {1}, "adj.txt"), 1,
               "Erreur de format dans la lecture de adj.txt\n"
               "Voisins non symetriques: 1 voit 2, 2 ne voit pas 1\n");
}

// --- Renumbered mesh ------------------------------------------------------

TEST(RenumeroteTest, MovesCoordinatesTagsAndConnectivity) {
  probe g(grid(4, 3));
  gvector<int> const p = renum_rcm(*voisins(g));
  probe r(renumerote(g, p));
  ASSERT_EQ(r.npt(), 12);
  ASSERT_EQ(r.nelem(), 6);
  for (int i = 1; i <= 12; ++i) {
    EXPECT_EQ(r.x(p[i]), g.x(i));
    EXPECT_EQ(r.y(p[i]), g.y(i));
    EXPECT_EQ(r.ref(p[i]), g.ref(i));
  }
  for (int e = 1; e <= 6; ++e)
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(r.lg(e, k), p[g.lg(e, k)]);
  EXPECT_STREQ(r.titre, g.titre);
}

TEST(RenumeroteTest, KeepsElementOrderSubdomainsAndTitle) {
  probe g(grid(5, 4));
  gvector<int> s_dom(0, 3);
  s_dom[0] = 0;
  s_dom[1] = 5;
  s_dom[2] = 5;
  s_dom[3] = 12;
  g.s_dom = s_dom;
  probe r(renumerote(g, renum_sloan(*voisins(g))));
  EXPECT_EQ(values(r.s_dom), values(s_dom));
  EXPECT_STREQ(r.titre, "grille");
}

TEST(RenumeroteTest, InversePermutationGivesBackTheMesh) {
  probe g(grid(6, 5));
  gvector<int> const p = renum_sloan(*voisins(g));
  gvector<int> inv(1, g.npt());
  for (int i = 1; i <= g.npt(); ++i) inv[p[i]] = i;
  maillage const r = renumerote(g, p);
  EXPECT_NE(kadro_of(r), kadro_of(g));
  EXPECT_EQ(kadro_of(renumerote(r, inv)), kadro_of(g));
}

TEST(RenumeroteTest, RenumberedMeshHasTheMeasuredProfile) {
  probe g(grid(9, 4));
  adjacence const a(*voisins(g));
  gvector<int> const p = renum_rcm(a);
  maillage const r = renumerote(g, p);
  EXPECT_EQ(profil_voisins(*voisins(r))[r.npt()], mesure(a, p).profil);
}

TEST(RenumeroteTest, LeavesAnEmptyMeshEmpty) {
  maillage const r = renumerote(maillage(), gvector<int>());
  EXPECT_NE(r.empty(), 0);
}

TEST(RenumeroteDeathTest, RefusesWhatIsNotAPermutation) {
  probe g(grid(3, 2));
  EXPECT_FATAL(renumerote(g, vec({1, 2, 3, 4, 5})), 1,
               "Permutation non valide: indices 1..5 au lieu de 1..6\n");
  gvector<int> from0(0, 5);
  from0 = 1;
  EXPECT_FATAL(renumerote(g, from0), 1, "Permutation non valide: indices 0..5 au lieu de 1..6\n");
  EXPECT_FATAL(renumerote(g, vec({1, 2, 7, 4, 5, 6})), 1,
               "Permutation non valide: p[3] = 7 hors de 1..6\n");
  EXPECT_FATAL(renumerote(g, vec({1, 2, 3, 2, 5, 6})), 1,
               "Permutation non valide: p[2] = p[4] = 2\n");
  adjacence const a(*voisins(g));
  EXPECT_FATAL(mesure(a, vec({0, 2, 3, 4, 5, 6})), 1,
               "Permutation non valide: p[1] = 0 hors de 1..6\n");
}

TEST(RenumeroteDeathTest, RefusesElementsOutsideTheVertices) {
  gmatrix<float> som(1, 3, 1, 2);
  som = 0.0f;
  gmatrix<int> el(1, 1, 1, 3);
  el(1, 1) = 1;
  el(1, 2) = 2;
  el(1, 3) = 9;
  gvector<int> refs(1, 3);
  refs = 0;
  maillage m(std::move(som), std::move(el), std::move(refs), "t");
  EXPECT_FATAL(renumerote(m, identity(3)), 1,
               "Maillage invalide: sommet 9 de l'element 1 hors de 1..3\n");
}

// --- Adjacency file -------------------------------------------------------

namespace {

std::vector<int> rows(adjacence const& a) {
  std::vector<int> r(a.debut(), a.debut() + a.n() + 1);
  r.insert(r.end(), a.liste(), a.liste() + a.debut()[a.n()]);
  return r;
}

// Two triangles (1, 2, 3) and (1, 3, 4), as gen_data_renum writes them.
std::string const kTwoTriangles = "4\n3\n2\n3\n2\n1\n4\n6\n9\n1 2 3 4 \n1 2 3 \n1 2 3 4 \n1 3 4 \n";

// The file f holding `text` stops the reader with `why` after the file's name.
void expect_refused(std::string const& f, std::string const& text, std::string const& why) {
  write_file(f, text);
  EXPECT_FATAL(lect_adjacence(f.c_str()), 1,
               "Erreur de format dans la lecture de " + f + "\n" + why)
      << text;
}

}  // namespace

TEST(LectAdjacenceTest, ReadsWhatGenDataRenumWrites) {
  TempDir d;
  std::string const f = d.path("adj");
  probe g(grid(5, 4));
  // The same mesh with a vertex that no element uses.
  gmatrix<float> som(1, 4, 1, 2);
  som = 0.0f;
  gmatrix<int> el(1, 1, 1, 3);
  el(1, 1) = 4, el(1, 2) = 1, el(1, 3) = 3;
  gvector<int> refs(1, 4);
  refs = 0;
  maillage const iso(std::move(som), std::move(el), std::move(refs), "iso");
  for (maillage const* m : {static_cast<maillage const*>(&g), &iso}) {
    m->gen_data_renum(f.c_str());
    EXPECT_EQ(rows(lect_adjacence(f.c_str())), rows(adjacence(*voisins(*m))));
  }
  write_file(f, kTwoTriangles);
  EXPECT_EQ(rows(lect_adjacence(f.c_str())),
            rows(adjacence(*graphe(4, {{1, 2}, {2, 3}, {1, 3}, {3, 4}, {1, 4}}))));
  write_file(f, "0\n");
  EXPECT_EQ(lect_adjacence(f.c_str()).n(), 0);
  write_file(f, "1\n-1\n1\n\n\n");  // one isolated vertex, a trailing blank line
  EXPECT_EQ(rows(lect_adjacence(f.c_str())), (std::vector<int>{0, 0}));
}

TEST(LectAdjacenceDeathTest, RefusesFilesItCannotRead) {
  fixed_dir d("renum_RefusesFilesItCannotRead");
  std::string const missing = d.path("absent");
  EXPECT_FATAL(lect_adjacence(missing.c_str()), 1,
               "Rcourb: problemmes d'ouvertoure du fichier " + missing + "\n");
  EXPECT_FATAL(
      lect_adjacence(d.dir.c_str()), 1,
      "Erreur de format dans la lecture de " + d.dir + "\nCe n'est pas un fichier ordinaire\n");
}

TEST(LectAdjacenceDeathTest, RefusesBadCountsStartsAndNumbers) {
  fixed_dir d("renum_RefusesBadCountsStartsAndNumbers");
  std::string const f = d.path("adj");
  expect_refused(f, "", "Fin de fichier inattendue\n");
  expect_refused(f, "2\n   0\n   0\n1\n1\n", "Fin de fichier inattendue\n");
  expect_refused(f, "abc\n", "Ligne 1: nombre entier attendu\n");
  expect_refused(f, "4x\n", "Ligne 1: nombre entier attendu\n");
  expect_refused(f, "2 3\n", "Ligne 1: un seul nombre attendu\n");
  expect_refused(f, "1234567890123456789\n", "Ligne 1: nombre hors limites\n");
  expect_refused(f, "-2\n", "Nombre de sommets non valide: -2\n");
  expect_refused(f, "3000000000\n", "Nombre de sommets non valide: 3000000000\n");
  expect_refused(f, "1000\n1\n2\n", "Fichier trop court pour 1000 sommets\n");
  expect_refused(f, "2\n5\n0\n1\n6\n1 2 \n2 \n",
                 "Nombre de voisins non valide pour le sommet 1: 5\n");
  expect_refused(f, "2\n1\n-2\n1\n2\n1 2 \n1 2 \n",
                 "Nombre de voisins non valide pour le sommet 2: -2\n");
  expect_refused(f, "3\n2\n2\n2\n1\n3\n5\n1 2 3 \n",
                 "Fichier trop court pour les listes annoncees\n");
  std::string bad_start = kTwoTriangles;
  bad_start.replace(bad_start.find("\n4\n6\n"), 3, "\n5\n");
  expect_refused(f, bad_start, "Debut de liste non valide pour le sommet 2: lu 5, attendu 4\n");
  expect_refused(f, kTwoTriangles + "5\n", "Donnees en trop apres la derniere liste\n");
}

TEST(LectAdjacenceDeathTest, RefusesBadLists) {
  fixed_dir d("renum_RefusesBadLists");
  std::string const f = d.path("adj");
  expect_refused(f, "2\n1\n1\n1\n2\n1 3 \n1 2 \n", "Liste du sommet 1: valeur 3 hors de 1..2\n");
  expect_refused(f, "2\n1\n1\n1\n2\n1 -2 \n1 2 \n", "Liste du sommet 1: valeur -2 hors de 1..2\n");
  expect_refused(f, "2\n1\n1\n1\n2\n2 1 \n1 2 \n",
                 "Liste du sommet 1: valeurs non strictement croissantes\n");
  expect_refused(f, "2\n1\n1\n1\n2\n1 1 \n1 2 \n",
                 "Liste du sommet 1: valeurs non strictement croissantes\n");
  expect_refused(f, "2\n0\n1\n1\n1\n1 2 \n1 2 \n", "Liste du sommet 1: plus de 1 valeurs\n");
  expect_refused(f, "1\n-1\n1\n1 \n", "Liste du sommet 1: plus de 0 valeurs\n");
  expect_refused(f, "2\n1\n1\n1\n2\n1 \n1 2 \n", "Liste du sommet 1: 1 valeurs au lieu de 2\n");
  expect_refused(f, "3\n1\n0\n0\n1\n2\n2\n2 3 \n2 \n3 \n", "Liste du sommet 1: 1 absent\n");
  expect_refused(f, "2\n1\n0\n1\n2\n1 2 \n2 \n",
                 "Voisins non symetriques: 1 voit 2, 2 ne voit pas 1\n");
}

// --- Permutation file -----------------------------------------------------

namespace {

// Names in the directory other than `keep`: temporary files left behind.
std::vector<std::string> others(std::string const& dir, std::string const& keep) {
  std::vector<std::string> r;
  DIR* dp = opendir(dir.c_str());
  if (dp == nullptr) return {"opendir failed"};
  while (dirent* e = readdir(dp)) {
    std::string const n = e->d_name;
    if (n != "." && n != ".." && n != keep) r.push_back(n);
  }
  closedir(dp);
  std::sort(r.begin(), r.end());
  return r;
}

}  // namespace

TEST(EcritPermutationTest, WritesOneNumberPerLineAndReplacesTheFile) {
  TempDir d;
  std::string const f = d.path("p");
  write_file(f, "ancien contenu plus long que le nouveau\n");
  chmod(f.c_str(), 0640);
  ecrit_permutation(f.c_str(), vec({3, 1, 2}));
  EXPECT_EQ(read_file(f), "3\n1\n2\n");
  struct stat st;
  ASSERT_EQ(stat(f.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_TRUE(others(d.dir(), "p").empty());
  ecrit_permutation(f.c_str(), gvector<int>());
  EXPECT_EQ(read_file(f), "");
}

TEST(EcritPermutationTest, ReplacesTheTargetOfALink) {
  TempDir d;
  std::string const f = d.path("p"), link = d.path("q");
  write_file(f, "1\n");
  ASSERT_EQ(symlink(f.c_str(), link.c_str()), 0);
  ecrit_permutation(link.c_str(), vec({2, 1}));
  EXPECT_EQ(read_file(f), "2\n1\n");
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(EcritPermutationDeathTest, FailuresStopAndLeaveTheOldFile) {
  fixed_dir d("renum_FailuresStopAndLeaveTheOldFile");
  EXPECT_FATAL(ecrit_permutation("/nonexistent_utils_dir/p", vec({1})), 1,
               "Erreur d'ouverture de /nonexistent_utils_dir/p\nNo such file or directory\n");
  std::string const full = d.path("q");
  // Made again by the child that runs the death test.
  if (symlink("/dev/full", full.c_str()) != 0 && errno != EEXIST) std::abort();
  EXPECT_FATAL(ecrit_permutation(full.c_str(), vec({1})), 1,
               "Erreur d'ecriture de " + full + "\nNo space left on device\n");
  std::string const f = d.path("p");
  write_file(f, "ancien\n");
  std::vector<int> many(400000, 1);
  auto limited = [&] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit rl{1 << 16, 1 << 16};
    setrlimit(RLIMIT_FSIZE, &rl);
    ecrit_permutation(f.c_str(), vec(many));
    std::exit(0);
  };
  EXPECT_FATAL(limited(), 1, "Erreur d'ecriture de " + f + "\nFile too large\n");
  EXPECT_EQ(read_file(f), "ancien\n");
  EXPECT_EQ(others(d.dir, "p"), (std::vector<std::string>{"q"}));
}
