// Hostile files (found by fuzzing, or written to announce counts and sizes
// beyond the int range or the bytes present): each must end the run at once
// with a clear message and its documented status, without reading out of
// bounds and without allocating what the file only announces (the children
// run under a 1 GB address-space limit when no sanitizer reserves its own
// shadow memory).
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <complex>
#include <functional>
#include <string>

#include "list_vec.h"
#include "llist.h"
#include "maillage.h"
#include "matrices.h"
#include "profil.h"
#include "test_util.h"
#include "vecteurs.h"

#if defined(__SANITIZE_ADDRESS__)
#define UTILS_NO_AS_LIMIT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UTILS_NO_AS_LIMIT 1
#endif
#endif

namespace {

std::string data(std::string const& name) { return std::string(FUZZ_DATA_DIR) + "/" + name; }

struct hostile {
  char const* file;
  std::function<void(char const*)> load;
  int status;
  std::string message;  // then the file's path when names_file
  bool names_file;
  std::string detail = "";  // after the path
};

void PrintTo(hostile const& h, std::ostream* os) { *os << h.file; }

template <class C>
std::function<void(char const*)> b_load() {
  return [](char const* f) {
    C c;
    c.b_load(f);
  };
}
template <class C>
std::function<void(char const*)> f_load() {
  return [](char const* f) {
    C c;
    c.f_load(f);
  };
}
template <class C>
std::function<void(char const*)> a_load() {
  return [](char const* f) {
    C c;
    c.a_load(f);
  };
}

void read_mesh(char const* f) { maillage m(f); }

// Loads under the memory limit and fails the child if the load returns.
void load_limited(hostile const& h, std::string const& path) {
#ifndef UTILS_NO_AS_LIMIT
  rlimit rl{std::size_t(1) << 30, std::size_t(1) << 30};
  setrlimit(RLIMIT_AS, &rl);
#endif
  h.load(path.c_str());
  std::fprintf(stderr, "load returned\n");
  std::exit(99);
}

std::string const kSize = "Taille incorrecte dans le fichier: ";
std::string const kEnd = "Fin de fichier prematuree: ";
std::string const kKadro = "Erreur de format dans la lecture de ";  // the mesh readers

hostile const kCases[] = {
    // A 104-byte mesh announcing two billion vertices, in both byte orders.
    {"kadro_2g_vertices.kadro2D", read_mesh, 1, kKadro, true,
     "\nNombre de sommets non valide: 2000000000\n"},
    {"kadro_2g_vertices_swapped.kadro2D", read_mesh, 1, kKadro, true,
     "\nNombre de sommets non valide: 2000000000\n"},
    {"kadro_700m_vertices.kadro2D", read_mesh, 1, kKadro, true,
     "\nFichier trop court pour 700000000 sommets\n"},
    {"kadro_elements_overflow.kadro2D", read_mesh, 1, kKadro, true,
     "\nNombre d'elements trop grand: 1073741824\n"},
    {"kadro_group_short.kadro2D", read_mesh, 1, kKadro, true,
     "\nFichier trop court pour 1000 elements\n"},
    {"kadro_truncated_vertex.kadro2D", read_mesh, 1, kKadro, true,
     "\nFichier trop court pour 1 sommets\n"},
    {"kadro_negative_nodes.kadro2D", read_mesh, 1, kKadro, true,
     "\nNombre de noeuds par element non valide: -5\n"},
    {"nopo_2g_vertices.nopo", read_mesh, 1, kKadro, true,
     "\nFichier trop court pour 2000000000 sommets\n"},
    {"nopo_2g_elements.nopo", read_mesh, 1, kKadro, true,
     "\nFichier trop court pour 2000000000 elements\n"},
    {"nopo_huge_vertex_count.nopo", read_mesh, 1, kKadro, true,
     "\nL'element 1: nombre de sommets non valide: 1000000000\n"},
    // Node tags 1 and 2^64 - 1: the reader must not index nodes by tag.
    {"gmsh_sparse_tags.msh", read_mesh, 1, kKadro, true, "\nL'element 1 a le noeud 5 inconnu\n"},
    {"gmsh_2g_elements.msh", read_mesh, 1, kKadro, true,
     "\nFichier trop court pour 2000000000 elements\n"},
    {"vec_b_2g.vb", b_load<dvector>(), 1, kSize, true},
    {"vec_b_count_overflow.vb", b_load<dvector>(), 1, kSize, true},
    {"vec_b_2g.vb.gz", b_load<dvector>(), 1, kEnd, true},
    {"vec_f_2g.vf", f_load<dvector>(), 1, kSize, true},
    {"vec_a_2g.va", a_load<dvector>(), 1, kSize, true},
    {"vec_a_2g.va.gz", a_load<dvector>(), 1, kEnd, true},
    {"vec_a_bounds_overflow.va", a_load<dvector>(), 1, "Bornes illisibles dans le fichier: ", true},
    {"licolect_b_2g.vl", b_load<licolect>(), 1, kSize, true},
    {"licolect_b_list_2g.vl", b_load<licolect>(), 1, kSize, true},
    {"licolect_b_list_2g.vl.gz", b_load<licolect>(), 1, kEnd, true},
    {"mat_b_product_overflow.mb", b_load<gmatrix<double>>(), 1, kSize, true},
    {"mat_f_huge.mf.gz", f_load<gmatrix<double>>(), 1, kEnd, true},
    {"mat_a_huge.ma", a_load<gmatrix<double>>(), 1, kSize, true},
    {"skyg_b_profile_2g.pb", b_load<skygmatrix<double>>(), 1, kSize, true},
    {"skyh_b_elements_huge.pb", b_load<skyhrectmatrix<double>>(), 1, kSize, true},
    {"skyv_f_elements_huge.pf.gz", f_load<skyvrectmatrix<double>>(), 1, kEnd, true},
};

class HostileFileDeathTest : public ::testing::TestWithParam<hostile> {};

TEST_P(HostileFileDeathTest, EndsWithMessageAndStatus) {
  hostile const& h = GetParam();
  std::string const path = data(h.file);
  std::string const msg = (h.names_file ? h.message + path : h.message) + h.detail;
  EXPECT_FATAL(load_limited(h, path), h.status, msg);
}

INSTANTIATE_TEST_SUITE_P(Files, HostileFileDeathTest, ::testing::ValuesIn(kCases),
                         [](auto const& i) {
                           std::string n = i.param.file;
                           for (char& c : n)
                             if (!isalnum((unsigned char)c)) c = '_';
                           return n;
                         });

}  // namespace
