#include "llist.h"

#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include "test_util.h"

namespace {

template <class T>
std::vector<T> values(const llist<T>& l) {
  std::vector<T> v;
  for (lnode<T>* p = l.tete(); p != nullptr; p = p->suivant()) v.push_back(p->el());
  return v;
}

listint make(std::initializer_list<int> xs) {
  listint l;
  for (int x : xs) l.insert(x);
  return l;
}

dovector dvec(std::initializer_list<double> xs, int lo = 1) {
  dovector v(lo, lo + int(xs.size()) - 1);
  int i = lo;
  for (double x : xs) v[i++] = x;
  return v;
}

licolect sample_collection() {
  licolect c(-1, 2);
  c[-1] = make({5, 1, 3});
  // c[0] stays empty
  c[1] = make({-7});
  for (int k = 0; k < 3000; ++k) c[2].insert((k * 7919) % 5000);
  return c;
}

void expect_same(const licolect& a, const licolect& b) {
  ASSERT_EQ(a.imin(), b.imin());
  ASSERT_EQ(a.imax(), b.imax());
  for (int i = a.imin(); i <= a.imax(); ++i) EXPECT_EQ(values(a[i]), values(b[i])) << "index " << i;
}

}  // namespace

TEST(ListTest, InsertKeepsAnOrderedSet) {
  listint l = make({5, 1, 3, 1});
  EXPECT_EQ(values(l), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(l.ne(), 3);
  EXPECT_EQ(l.pos(3), 2);
  EXPECT_EQ(l.pos(4), -1);
  EXPECT_EQ(l.pos(9), -1);
  EXPECT_EQ(l.trouve(4), nullptr);
  ASSERT_NE(l.trouve(5), nullptr);
  EXPECT_EQ(l.trouve(5)->el(), 5);
  ASSERT_NE(l.pointe(4), nullptr);
  EXPECT_EQ(l.pointe(4)->el(), 3);
  EXPECT_EQ(l.pointe(3)->el(), 3);
  EXPECT_EQ(l.pointe(0), nullptr);
  EXPECT_EQ(listint().pointe(1), nullptr);
}

TEST(ListTest, IndexingClampsToTheEnds) {
  listint l = make({1, 3, 5});
  EXPECT_EQ(l[1], 1);
  EXPECT_EQ(l[0], 1);
  EXPECT_EQ(l[-4], 1);
  EXPECT_EQ(l[3], 5);
  EXPECT_EQ(l[4], 5);  // past the end: the last value
  EXPECT_EQ(listint()[1], 0);
}

TEST(ListTest, CopiesAreDeep) {
  listint a = make({1, 2});
  listint b(a);
  b.insert(7);
  EXPECT_EQ(a.ne(), 2);
  listint c;
  c = b;
  c.insert(0);
  EXPECT_EQ(b.ne(), 3);
  c = listint();
  EXPECT_EQ(c.ne(), 0);
  EXPECT_EQ(c.tete(), nullptr);
  listint m(std::move(b));
  EXPECT_EQ(m.ne(), 3);
  EXPECT_EQ(b.ne(), 0);
}

// Lists built in one block of nodes: three lists, one of them empty, in a
// block of ten nodes, the maker's share let go at once.
struct built {
  listint l[3];
  built() {
    int const v[] = {2, 4, 6, 1, 3, 5, 7, 9, 11, 13};
    lnode_block<int>* b = lnode_block<int>::make(10);
    l[0].build(v, 3, *b, b->nodes());
    l[1].build(v, 0, *b, b->nodes() + 3);
    l[2].build(v + 3, 7, *b, b->nodes() + 3);
    b->release();
  }
};

TEST(ListBlockTest, BuiltListsHoldTheirValuesInOrder) {
  built k;
  EXPECT_EQ(values(k.l[0]), (std::vector<int>{2, 4, 6}));
  EXPECT_EQ(k.l[1].tete(), nullptr);
  EXPECT_EQ(values(k.l[2]), (std::vector<int>{1, 3, 5, 7, 9, 11, 13}));
  EXPECT_EQ(k.l[2].ne(), 7);
  EXPECT_EQ(k.l[2].pos(9), 5);
  EXPECT_EQ(k.l[0].trouve(4)->el(), 4);
}

// Nodes inserted after the build live outside the block; emptying, copying,
// moving and rebuilding free each node once (the sanitizer build checks).
TEST(ListBlockTest, InsertionsCopiesMovesAndRebuildsKeepOwnership) {
  built k;
  k.l[0].insert(0);
  k.l[0].insert(5);
  k.l[0].insert(4);
  lnode<int>* const tail = k.l[0].insert(8, nullptr);
  k.l[0].insert(9, tail);
  EXPECT_EQ(values(k.l[0]), (std::vector<int>{0, 2, 4, 5, 6, 8, 9}));
  listint copy(k.l[2]);
  listint moved(std::move(k.l[2]));
  EXPECT_EQ(k.l[2].tete(), nullptr);
  k.l[2].insert(1);
  listint assigned;
  assigned = std::move(moved);
  k.l[0].vide();
  EXPECT_EQ(k.l[0].ne(), 0);
  k.l[0].insert(3);
  built other;
  k.l[1] = other.l[0];
  EXPECT_EQ(values(assigned), (std::vector<int>{1, 3, 5, 7, 9, 11, 13}));
  // Rebuilt in another block: the first share goes, the new one comes.
  lnode_block<int>* b2 = lnode_block<int>::make(2);
  int const w[] = {10, 20};
  assigned.build(w, 2, *b2, b2->nodes());
  b2->release();
  EXPECT_EQ(values(assigned), (std::vector<int>{10, 20}));
  EXPECT_EQ(values(copy), (std::vector<int>{1, 3, 5, 7, 9, 11, 13}));
  EXPECT_EQ(values(k.l[1]), (std::vector<int>{2, 4, 6}));
}

TEST(ListTest, HintedInsertMatchesPlainInsert) {
  listint l;
  lnode<int>* p = nullptr;
  for (int x : {1, 4, 9}) p = l.insert(x, p);
  p = l.insert(6, l.trouve(4));
  EXPECT_EQ(p->el(), 6);
  EXPECT_EQ(l.insert(9, l.trouve(6))->el(), 9);
  EXPECT_EQ(values(l), (std::vector<int>{1, 4, 6, 9}));
}

TEST(ListTest, TextFormRoundTrips) {
  TempDir d;
  listint l = make({5, 1, 3});
  l.save(d.path("l.txt").c_str());
  EXPECT_EQ(read_file(d.path("l.txt")), "LI\n1 \n3 \n5 \n");
  listint e;
  e.load(d.path("l.txt").c_str());
  EXPECT_EQ(values(e), (std::vector<int>{1, 3, 5}));
  listint two = make({2});
  two.load(d.path("l.txt").c_str());
  EXPECT_EQ(values(two), (std::vector<int>{1, 2, 3, 5}));
  l.print(d.path("p.txt").c_str());
  EXPECT_EQ(read_file(d.path("p.txt")), "1 3 5 ");
  // Order and duplicates in the file do not matter; the last line needs no
  // newline; lines without a number are skipped.
  write_file(d.path("u.txt"), "LI\n9\n2\n\nxx\n9\n4");
  listint u;
  u.load(d.path("u.txt").c_str());
  EXPECT_EQ(values(u), (std::vector<int>{2, 4, 9}));
}

TEST(ListTest, ListsOfVectorsAreOrderedSets) {
  listdvector l;
  l.insert(dvec({1, 3}));
  l.insert(dvec({1, 2}));
  l.insert(dvec({1, 2}, 0));  // equal by position
  l.insert(dvec({0.5, 9}));
  ASSERT_EQ(l.ne(), 3);
  EXPECT_EQ(l[1][1], 0.5);
  EXPECT_EQ(l[2][2], 2.0);
  EXPECT_EQ(l.pos(dvec({1, 3})), 3);
  EXPECT_EQ(l.pos(dvec({1, 4})), -1);
  EXPECT_EQ(l.pointe(dvec({1, 2.5}))->el()[2], 2.0);
}

TEST(ListTest, ListsOfVectorsRoundTripExactly) {
  TempDir d;
  listdvector l;
  // Vectors of one length: the prefix rule of the order then plays no part.
  l.insert(dvec({1.0 / 3, -2e-300, 1e300}, -1));
  l.insert(dvec({0.1, 0.2, -0.0}));
  l.insert(dvec({0.1, 0.2, -1}));
  l.save(d.path("w.txt").c_str());
  std::string s = read_file(d.path("w.txt"));
  EXPECT_EQ(s.substr(0, 3), "LW\n");
  EXPECT_NE(s.find("\n1 3 0.10000000000000001 0.20000000000000001 -0 \n"), std::string::npos);
  listdvector r;
  r.load(d.path("w.txt").c_str());
  ASSERT_EQ(r.ne(), 3);
  for (int i = 1; i <= 3; ++i) {
    ovector<double> a = l[i], b = r[i];
    EXPECT_EQ(a.imin(), b.imin());
    EXPECT_TRUE(a == b);
  }
}

TEST(ListTest, EmptyVectorValueRoundTrips) {
  TempDir d;
  listdvector l;
  l.insert(dvec({}, 0));
  l.save(d.path("e.txt").c_str());
  EXPECT_EQ(read_file(d.path("e.txt")), "LW\n0 -1 \n");
  listdvector r;
  r.load(d.path("e.txt").c_str());
  ASSERT_EQ(r.ne(), 1);
  EXPECT_TRUE(r[1].empty());
}

TEST(ListTest, ElementFormsOfLists) {
  listint l = make({2, 1});
  EXPECT_EQ(ptype(l), 'L');
  EXPECT_EQ(ptype(dovector()), 'W');
  char st[8] = "xxxxxxx";
  EXPECT_EQ(tostr(st, l), 1);
  EXPECT_EQ(st[0], ' ');
  EXPECT_EQ(fromstr("1 2", l), 0);
  EXPECT_EQ(l.ne(), 2);
}

TEST(ListCollectionTest, EveryFormRoundTrips) {
  TempDir d;
  licolect c = sample_collection();
  for (char const* n : {"c.dat", "c.gz"}) {
    std::string name = d.path(n);
    licolect a, b, f;
    c.a_save(name.c_str());
    a.a_load(name.c_str());
    expect_same(c, a);
    c.b_save(name.c_str());
    b.b_load(name.c_str());
    expect_same(c, b);
    c.f_save(name.c_str());
    f.f_load(name.c_str());
    expect_same(c, f);
  }
}

TEST(ListCollectionTest, TextAndBinaryLayouts) {
  TempDir d;
  licolect c(1, 2);
  c[1] = make({3, 1});
  c.a_save(d.path("c.txt").c_str());
  EXPECT_EQ(read_file(d.path("c.txt")), "VL\n1 2\nLI\n1 \n3 \n\nLI\n\n");
  c.a_save(d.path("c.gz").c_str());
  EXPECT_EQ(gunzip(d.path("c.gz")), read_file(d.path("c.txt")));
  c.b_save(d.path("c.bin").c_str());
  std::string b = read_file(d.path("c.bin"));
  int w[5];
  ASSERT_EQ(b.size(), 10u + 4 * 4);
  EXPECT_EQ(b.substr(0, 2), "VL");
  std::memcpy(w, b.data() + 10, 16);
  EXPECT_EQ(w[0], 2);
  EXPECT_EQ(w[1], 1);
  EXPECT_EQ(w[2], 3);
  EXPECT_EQ(w[3], 0);
  c.f_save(d.path("c.rec").c_str());
  std::string f = read_file(d.path("c.rec"));
  ASSERT_EQ(f.size(), 34u + 16);
  std::memcpy(w, f.data() + 26, 4);
  EXPECT_EQ(w[0], 16);
  EXPECT_EQ(f.substr(30, 16), b.substr(10, 16));
  c.b_save(d.path("c.bgz.gz").c_str());
  EXPECT_EQ(gunzip(d.path("c.bgz.gz")), b);
}

TEST(ListCollectionTest, SeveralCollectionsShareOneStream) {
  TempDir d;
  licolect c = sample_collection(), e;
  FILE* fp = std::fopen(d.path("s").c_str(), "w");
  c.a_save(fp);
  e.b_save(fp);
  c.f_save(fp);
  std::fclose(fp);
  fp = std::fopen(d.path("s").c_str(), "r");
  licolect x, y, z;
  x.a_load(fp);
  y.b_load(fp);
  z.f_load(fp);
  std::fclose(fp);
  expect_same(c, x);
  EXPECT_TRUE(y.empty());
  expect_same(c, z);
}

// exit() hands the parent the low 8 bits of the status: 801 is seen as 33.
TEST(ListDeathTest, BadListFilesStopWithTheirStatus) {
  TempDir d;
  write_file(d.path("v.txt"), "VI\n1 \n");
  write_file(d.path("d.txt"), "LD\n1.0\n");
  write_file(d.path("e.txt"), "");
  write_file(d.path("w.txt"), "LW\n1 3 0.5 0.25\n");
  listint l;
  listdvector w;
  EXPECT_FATAL(l.load(d.path("v.txt").c_str()), 801 & 0xff,
               "Format incorrecte dans load d'une liste ordonee\n");
  EXPECT_FATAL(l.load(d.path("e.txt").c_str()), 801 & 0xff,
               "Format incorrecte dans load d'une liste ordonee\n");
  EXPECT_FATAL(l.load(d.path("d.txt").c_str()), 802 & 0xff,
               "Type incorrecte dans load d'une liste ordonee\n");
  EXPECT_FATAL(w.load(d.path("w.txt").c_str()), 801 & 0xff,
               "Format incorrecte dans load d'une liste ordonee\n");
  EXPECT_FATAL(l.load("/nonexistent/l.txt"), 703 & 0xff,
               "On n'a pas pu ouvrir /nonexistent/l.txt\n");
  EXPECT_FATAL(l.save("/nonexistent/l.txt"), 703 & 0xff,
               "On n'a pas pu ouvrir /nonexistent/l.txt\n");
  EXPECT_FATAL(l.print("/nonexistent/l.txt"), 703 & 0xff,
               "On n'a pas pu ouvrir /nonexistent/l.txt\n");
  listint m = make({1});
  EXPECT_FATAL(m.save("/dev/full"), 1, "Erreur d'ecriture de fichier: /dev/full\n");
}

TEST(ListDeathTest, BadCollectionFilesStop) {
  TempDir d;
  write_file(d.path("a.txt"), "VL\n1 1\nVI\n\n");
  write_file(d.path("b.txt"), "VL\n1 1\nLD\n\n");
  write_file(d.path("c.txt"), "VL\n1 2\nLI\n4 \n5 \n6 \n\n");
  write_file(d.path("s.txt"), "VL\n1 9\nLI\n4 \n\n");
  write_file(d.path("t.txt"), "VI\n1 2\n");
  std::string bad = "VL";
  int h[3] = {1, 1, -5};
  bad.append(reinterpret_cast<char const*>(h), 12);
  write_file(d.path("n.bin"), bad);
  h[2] = 1000000;
  bad = "VL";
  bad.append(reinterpret_cast<char const*>(h), 12);
  write_file(d.path("m.bin"), bad + "abcd");
  licolect c;
  EXPECT_FATAL(c.a_load(d.path("a.txt").c_str()), 801 & 0xff,
               "Format incorrecte dans load d'une liste ordonee\n");
  EXPECT_FATAL(c.a_load(d.path("b.txt").c_str()), 802 & 0xff,
               "Type incorrecte dans load d'une liste ordonee\n");
  EXPECT_FATAL(c.a_load(d.path("c.txt").c_str()), 1, "Fin de fichier prematuree: /tmp/");
  EXPECT_FATAL(c.a_load(d.path("s.txt").c_str()), 1, "Taille incorrecte dans le fichier: /tmp/");
  EXPECT_FATAL(c.a_load(d.path("t.txt").c_str()), 1, "Load de vecteur: type incorrect");
  EXPECT_FATAL(c.b_load(d.path("n.bin").c_str()), 1, "Taille incorrecte dans le fichier: /tmp/");
  EXPECT_FATAL(c.b_load(d.path("m.bin").c_str()), 1, "Taille incorrecte dans le fichier: /tmp/");
  EXPECT_FATAL(c.a_load("/nonexistent/c.gz"), 1, "Erreur d'ouverture de fichier de lecture");
}
