// End-to-end tests of the renum program: both forms, the printed sizes,
// the numbering kept, usage errors and bad files with no output left.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "kadro_bytes.h"
#include "llist.h"
#include "maillage.h"
#include "run_program.h"
#include "renum.h"
#include "renum_meshes.h"
#include "test_util.h"

namespace {

run_result renum(std::string const& dir, std::vector<std::string> args) {
  return run(RENUM_EXE, dir, std::move(args));
}

std::string line(char const* name, mesure_profil m) {
  char b[128];
  std::snprintf(b, sizeof b, "%-9s profil %lld demi-bande %d\n", name, m.profil, m.demi_bande);
  return b;
}

std::string usage() {
  std::string const p = RENUM_EXE;
  return "Usage: " + p + " [-rcm | -sloan] maillage sortie.kadro2D|sortie.kadro3D\n" + "       " +
         p + " [-rcm | -sloan] -a adjacence permutation\n";
}

bool exists(std::string const& path) { return access(path.c_str(), F_OK) == 0; }

// What the program should print and keep for these neighbours.
struct expected {
  std::string out;
  gvector<int> p;
};

expected best_of(adjacence const& a) {
  gvector<int> const r = renum_rcm(a), s = renum_sloan(a);
  mesure_profil const m0 = mesure(a), mr = mesure(a, r), ms = mesure(a, s);
  expected e{line("initiale", m0) + line("rcm", mr) + line("sloan", ms), gvector<int>(1, a.n())};
  for (int i = 1; i <= a.n(); ++i) e.p[i] = i;
  char const* kept = "initiale";
  long long best = m0.profil;
  if (mr.profil < best) {
    best = mr.profil;
    kept = "rcm";
    e.p = r;
  }
  if (ms.profil < best) {
    kept = "sloan";
    e.p = s;
  }
  e.out += std::string("retenue   ") + kept + "\n";
  return e;
}

std::string kadro_of(maillage const& m, std::string const& path) {
  m.ecrit_kadro(path.c_str());
  return read_file(path);
}

}  // namespace

TEST(RenumProgramTest, MeshFormKeepsTheSmallestProfileAndSaysWhich) {
  TempDir d;
  grid(15, 6, 3).ecrit_kadro(d.path("in.kadro2D").c_str());
  run_result r = renum(d.dir(), {"in.kadro2D", "out.kadro2D"});
  ASSERT_EQ(r.status, 0) << r.err;

  maillage const in(d.path("in.kadro2D").c_str());
  lists v(&in.list_voisins());
  adjacence const a(*v);
  expected const e = best_of(a);
  EXPECT_EQ(r.out, e.out);
  EXPECT_NE(r.out.find("retenue   sloan\n"), std::string::npos);
  EXPECT_EQ(read_file(d.path("out.kadro2D")), kadro_of(renumerote(in, e.p), d.path("x.kadro2D")));
  // The written mesh has the profile printed for the numbering kept.
  maillage const out(d.path("out.kadro2D").c_str());
  lists w(&out.list_voisins());
  EXPECT_EQ(profil_voisins(*w)[out.npt()], mesure(a, e.p).profil);
}

TEST(RenumProgramTest, NeverMakesANumberingWorse) {
  // A square grid numbered row by row: both orders give larger profiles.
  TempDir d;
  grid(10, 10).ecrit_kadro(d.path("in.kadro3D").c_str());
  run_result r = renum(d.dir(), {"in.kadro3D", "out.kadro3D"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, line("initiale", {grid_profile(10, 10), 11}) + line("rcm", {1222, 19}) +
                       line("sloan", {1094, 30}) + "retenue   initiale\n");
  EXPECT_EQ(read_file(d.path("out.kadro3D")), read_file(d.path("in.kadro3D")));
}

TEST(RenumProgramTest, AnOptionChoosesTheOrderEvenWhenItIsWorse) {
  TempDir d;
  grid(10, 10).ecrit_kadro(d.path("in.kadro2D").c_str());
  maillage const in(d.path("in.kadro2D").c_str());
  lists v(&in.list_voisins());
  adjacence const a(*v);
  struct {
    char const* option;
    char const* name;
    gvector<int> p;
  } const cases[] = {{"-rcm", "rcm", renum_rcm(a)}, {"-sloan", "sloan", renum_sloan(a)}};
  for (auto const& c : cases) {
    run_result r = renum(d.dir(), {c.option, "in.kadro2D", "out.kadro2D"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, line("initiale", mesure(a)) + line(c.name, mesure(a, c.p)) + "retenue   " +
                         c.name + "\n");
    EXPECT_EQ(read_file(d.path("out.kadro2D")), kadro_of(renumerote(in, c.p), d.path("x.kadro2D")));
  }
}

TEST(RenumProgramTest, AdjacencyFormWritesTheNewNumbers) {
  // The path 1 - 5 - 2 - 4 - 3 of segments: numbered along the path.
  TempDir d;
  gmatrix<float> som(1, 5, 1, 2);
  som = 0.0f;
  gmatrix<int> el(1, 4, 1, 2);
  int const seg[4][2] = {{1, 5}, {5, 2}, {2, 4}, {4, 3}};
  for (int e = 0; e < 4; ++e) el(e + 1, 1) = seg[e][0], el(e + 1, 2) = seg[e][1];
  gvector<int> refs(1, 5);
  refs = 0;
  maillage const path(std::move(som), std::move(el), std::move(refs), "chemin");
  path.gen_data_renum(d.path("adj").c_str());

  for (std::vector<std::string> args :
       {std::vector<std::string>{"-a", "adj", "perm"}, {"adj", "perm", "-a"}}) {
    run_result r = renum(d.dir(), args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "initiale  profil 11 demi-bande 4\n"
              "rcm       profil 9 demi-bande 1\n"
              "sloan     profil 9 demi-bande 1\n"
              "retenue   rcm\n");
    EXPECT_EQ(read_file(d.path("perm")), "1\n3\n5\n4\n2\n");
  }
  run_result r = renum(d.dir(), {"-sloan", "-a", "adj", "perm2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "initiale  profil 11 demi-bande 4\n"
            "sloan     profil 9 demi-bande 1\n"
            "retenue   sloan\n");
  EXPECT_EQ(read_file(d.path("perm2")), "1\n3\n5\n4\n2\n");
}

TEST(RenumProgramTest, AdjacencyFormAgreesWithTheMeshForm) {
  TempDir d;
  maillage const g = grid(13, 7, 9);
  g.gen_data_renum(d.path("adj").c_str());
  g.ecrit_kadro(d.path("in.kadro2D").c_str());
  run_result ra = renum(d.dir(), {"-a", "adj", "perm"});
  run_result rm = renum(d.dir(), {"in.kadro2D", "out.kadro2D"});
  ASSERT_EQ(ra.status, 0) << ra.err;
  ASSERT_EQ(rm.status, 0) << rm.err;
  EXPECT_EQ(ra.out, rm.out);
  lists v(&g.list_voisins());
  expected const e = best_of(adjacence(*v));
  std::string perm;
  for (int i = 1; i <= g.npt(); ++i) perm += std::to_string(e.p[i]) + "\n";
  EXPECT_EQ(read_file(d.path("perm")), perm);
}

TEST(RenumProgramTest, UsageErrorsWriteNothing) {
  TempDir d;
  grid(3, 3).ecrit_kadro(d.path("in.kadro2D").c_str());
  std::vector<std::vector<std::string>> const bad = {
      {},
      {"in.kadro2D"},
      {"in.kadro2D", "out.kadro2D", "encore"},
      {"-x", "in.kadro2D", "out.kadro2D"},
      {"-rcm", "-sloan", "in.kadro2D", "out.kadro2D"},
      {"-rcm", "-rcm", "in.kadro2D", "out.kadro2D"},
      {"-a", "-a", "in.kadro2D", "out.kadro2D"},
      {"in.kadro2D", "out.vtk"},
      {"in.kadro2D", "out"},
      {"in.kadro2D", ".kadro2D"},
  };
  for (auto const& args : bad) {
    run_result r = renum(d.dir(), args);
    std::string const what = args.empty() ? "(none)" : args.back();
    EXPECT_EQ(r.status, 1) << what;
    EXPECT_NE(r.err.find(usage()), std::string::npos) << what << "\n" << r.err;
    EXPECT_EQ(r.out, "") << what;
  }
  for (char const* f : {"out.kadro2D", "out.vtk", "out", "encore"})
    EXPECT_FALSE(exists(d.path(f))) << f;
}

TEST(RenumProgramTest, BadInputsLeaveTheOutputAsItWas) {
  TempDir d;
  write_file(d.path("out.kadro2D"), "ancien");
  write_file(d.path("perm"), "ancien");
  write_file(d.path("adj"), "2\n1\n0\n1\n2\n1 2 \n2 \n");  // 1 sees 2 only
  run_result r = renum(d.dir(), {"-a", "adj", "perm"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Erreur de format dans la lecture de adj\n"
                       "Voisins non symetriques: 1 voit 2, 2 ne voit pas 1\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.out, "");
  r = renum(d.dir(), {"absent.kadro2D", "out.kadro2D"});
  EXPECT_EQ(r.status, 208);
  r = renum(d.dir(), {"in.txt", "out.kadro2D"});
  EXPECT_EQ(r.status, 201);
  EXPECT_NE(r.err.find("Nom de fichier non valide: in.txt\n"), std::string::npos);
  EXPECT_EQ(read_file(d.path("out.kadro2D")), "ancien");
  EXPECT_EQ(read_file(d.path("perm")), "ancien");
  r = renum(d.dir(), {"-a", "absent", "perm"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(read_file(d.path("perm")), "ancien");
}
