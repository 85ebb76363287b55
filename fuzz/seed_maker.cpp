// Writes the starting inputs of the fuzz drivers: valid files of every form
// saved by the library itself, each behind the driver's selector byte.
// Usage: seed_maker <dir>; the seeds go to <dir>/<target>/.
#include <sys/stat.h>
#include <zlib.h>

#include <complex>
#include <string>

#include "fuzz_common.h"
#include "list_vec.h"
#include "llist.h"
#include "maillage.h"
#include "matrices.h"
#include "profil.h"
#include "vecteurs.h"

namespace {

std::string out_dir, tmp_dir;

std::string slurp(std::string const& name) {
  std::string s;
  gzFile z = gzopen(name.c_str(), "rb");  // reads plain files as they are
  char buf[4096];
  int n;
  while ((n = gzread(z, buf, sizeof buf)) > 0) s.append(buf, std::size_t(n));
  gzclose(z);
  return s;
}

void seed(std::string const& target, std::string const& name, int selector,
          std::string const& bytes) {
  std::string dir = out_dir + "/" + target;
  mkdir(dir.c_str(), 0777);
  FILE* fp = std::fopen((dir + "/" + name).c_str(), "wb");
  if (selector >= 0) std::fputc(selector, fp);
  std::fwrite(bytes.data(), 1, bytes.size(), fp);
  std::fclose(fp);
}

// Saves x in the three forms, plain and compressed; the compressed seeds
// hold the uncompressed bytes (the driver compresses them again).
template <class X>
void forms(std::string const& target, std::string const& tag, X const& x) {
  std::string p = tmp_dir + "/s", g = tmp_dir + "/s.gz";
  x.a_save(p.c_str()), seed(target, tag + "_a", 0, slurp(p));
  x.b_save(p.c_str()), seed(target, tag + "_b", 1, slurp(p));
  x.f_save(p.c_str()), seed(target, tag + "_f", 2, slurp(p));
  x.a_save(g.c_str()), seed(target, tag + "_agz", 4, slurp(g));
  x.b_save(g.c_str()), seed(target, tag + "_bgz", 5, slurp(g));
  x.f_save(g.c_str()), seed(target, tag + "_fgz", 6, slurp(g));
}

// The three dump forms, plain and compressed, of a profile matrix; `extra`
// is or-ed into the selector byte.
template <class X>
void dumps(std::string const& tag, X const& x, int extra = 0) {
  std::string p = tmp_dir + "/s", g = tmp_dir + "/s.gz";
  x.a_dump(p.c_str()), seed("profil", tag + "_a", 0 | extra, slurp(p));
  x.b_dump(p.c_str()), seed("profil", tag + "_b", 1 | extra, slurp(p));
  x.f_dump(p.c_str()), seed("profil", tag + "_f", 2 | extra, slurp(p));
  x.a_dump(g.c_str()), seed("profil", tag + "_agz", 4 | extra, slurp(g));
  x.b_dump(g.c_str()), seed("profil", tag + "_bgz", 5 | extra, slurp(g));
  x.f_dump(g.c_str()), seed("profil", tag + "_fgz", 6 | extra, slurp(g));
}

gvector<int> profile(std::initializer_list<int> l) {
  gvector<int> p(0, int(l.size()) - 1);
  int i = 0;
  for (int v : l) p[i++] = v;
  return p;
}

template <class T>
void profile_seeds(std::string const& tag) {
  skygmatrix<T> g(profile({0, 1, 4, 7}));
  g = T(2);
  dumps(tag + "_g", g);
  skysmatrix<T> s(profile({0, 1, 2, 4}));
  s = T(3);
  dumps(tag + "_s", s);
  skyhrectmatrix<T> h(profile({0, 2, 3}), 3);
  h = T(1);
  dumps(tag + "_h", h);
  skyvrectmatrix<T> v(profile({0, 1, 3, 4}), 2);
  v = T(5);
  dumps(tag + "_v", v, 8);
}

// NOPO files built word by word (host byte order).
struct nopo {
  std::string b;
  nopo& w(int v) { return b.append(reinterpret_cast<char const*>(&v), 4), *this; }
  nopo& r(float v) { return b.append(reinterpret_cast<char const*>(&v), 4), *this; }
  nopo& record(std::string const& p) {
    w(int(p.size()));
    b += p;
    return w(int(p.size()));
  }
};

// Two triangles or one quadrilateral on four vertices; ncopnp 1 (nodes are
// the vertices) or 0 (node numbers first); ining picks the reference layout.
std::string nopo_file(bool quad, int ncopnp, int ining, int ntass) {
  nopo f;
  f.record(nopo().w(0).w(0).b);
  std::string g = nopo().w(0).b + std::string(80, 'T') + std::string(8, 'D') +
                  std::string(24, 'C') + "NOPO" + nopo().w(0).w(0).w(ntass).b;
  f.record(g);
  for (int k = 0; k < (ntass ? ntass + 1 : 0); ++k) f.record(nopo().w(7).b);
  int const ne = quad ? 1 : 2;
  nopo c;
  c.w(0).w(2).w(1).w(1).w(ncopnp).w(ne).w(0).w(0).w(quad ? 0 : 2).w(quad ? 1 : 0);
  for (int k = 0; k < 12; ++k) c.w(0);  // ntet .. isehe
  c.w(4).w(2).w(0).w(0).w(0).w(0);      // npoint .. ntacoo
  f.record(c.b);
  nopo x;
  x.w(0);
  float const xy[8] = {0, 0, 1, 0, 1, 1, 0, 1};
  for (float v : xy) x.r(v);
  f.record(x.b);
  int const tri[2][3] = {{1, 2, 3}, {1, 3, 4}};
  int const q[4] = {1, 2, 3, 4};
  nopo e;
  e.w(0);
  for (int i = 0; i < ne; ++i) {
    int const npo = quad ? 4 : 3;
    int const* v = quad ? q : tri[i];
    int const lead = ining == 1 ? 4 : ining == 2 ? 3 : 0;
    int const nmae = ining == 0 ? 0 : 1 + lead + npo;
    e.w(quad ? 4 : 3).w(nmae).w(1);
    if (ncopnp != 1) {
      e.w(npo);
      for (int j = 0; j < npo; ++j) e.w(v[j]);
    }
    e.w(npo);
    for (int j = 0; j < npo; ++j) e.w(v[j]);
    if (nmae) {
      e.w(ining);
      for (int k = 0; k < lead; ++k) e.w(9);
      for (int j = 0; j < npo; ++j) e.w(10 + v[j]);
    }
  }
  f.record(e.b);
  return f.b;
}

template <class T>
gvector<T> vec(int lo, int hi) {
  gvector<T> v(lo, hi);
  for (int i = lo; i <= hi; ++i) v[i] = T(i * 3 - 1);
  return v;
}

template <class T>
gmatrix<T> mat(int r0, int r1, int c0, int c1) {
  gmatrix<T> m(r0, r1, c0, c1);
  for (int i = r0; i <= r1; ++i)
    for (int j = c0; j <= c1; ++j) m(i, j) = T(i * 10 + j);
  return m;
}

// The same mesh file in the other byte order: every word but the title.
std::string swapped(std::string s) {
  for (std::size_t k = 0; k + 4 <= s.size(); k += 4) {
    if (k >= 4 && k < 84) continue;
    std::swap(s[k], s[k + 3]);
    std::swap(s[k + 1], s[k + 2]);
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <dir>\n", argv[0]);
    return 1;
  }
  utils_debut(argv[0]);
  out_dir = argv[1];
  mkdir(out_dir.c_str(), 0777);
  char t[] = "/tmp/utils_seeds_XXXXXX";
  tmp_dir = mkdtemp(t);

  // Meshes: a 2 x 1 grid in two subdomains, triangles, no elements at all.
  std::string k = tmp_dir + "/m.kadro2D";
  {
    gmatrix<float> s = mat<float>(1, 6, 1, 2);
    gmatrix<int> e(1, 2, 1, 4);
    int c[8] = {1, 2, 5, 4, 2, 3, 6, 5};
    for (int i = 0; i < 8; ++i) e(i / 4 + 1, i % 4 + 1) = c[i];
    gvector<int> r = vec<int>(1, 6);
    gvector<int> sd(0, 2);
    sd[0] = 0, sd[1] = 1, sd[2] = 2;
    maillage m(s, e, r, sd, "deux sous-domaines");
    m.ecrit_kadro(k.c_str());
    std::string b = slurp(k);
    seed("kadro", "quad2", 0, b);
    seed("kadro", "quad3", 1, b);
    seed("kadro", "quad2_swapped", 0, swapped(b));
    std::string a = tmp_dir + "/adj";
    m.gen_data_renum(a.c_str());
    seed("renum", "quad2", -1, slurp(a));
  }
  {
    gmatrix<float> s = mat<float>(1, 3, 1, 3);
    gmatrix<int> e(1, 1, 1, 3);
    e(1, 1) = 1, e(1, 2) = 2, e(1, 3) = 3;
    maillage m(s, e, vec<int>(1, 3), "triangle");
    m.ecrit_kadro(k.c_str());
    seed("kadro", "tri", 0, slurp(k));
    std::string a = tmp_dir + "/adj";
    maillage(mat<float>(1, 5, 1, 2), e, vec<int>(1, 5), "isoles").gen_data_renum(a.c_str());
    seed("renum", "isolated", -1, slurp(a));
    maillage v(mat<float>(1, 2, 1, 2), gmatrix<int>(), vec<int>(1, 2), gvector<int>(),
               "sans elements");
    v.ecrit_kadro(k.c_str());
    seed("kadro", "noelem", 0, slurp(k));
  }

  forms("colect", "i", vec<int>(1, 4));
  forms("colect", "f", vec<float>(-2, 2));
  forms("colect", "d", vec<double>(1, 3));
  forms("colect", "c", vec<std::complex<double>>(0, 1));
  forms("colect", "empty", gvector<double>());
  {
    licolect l(1, 3);
    l[1].insert(2), l[1].insert(1), l[3].insert(7);
    forms("colect", "l", l);
    std::string p = tmp_dir + "/l";
    l[1].save(p.c_str());
    seed("llist", "li", -1, slurp(p));
    listdvector w;
    w.insert(ovector<double>(vec<double>(1, 2)));
    w.insert(ovector<double>(vec<double>(0, 2)));
    w.save(p.c_str());
    seed("llist", "lw", -1, slurp(p));
  }

  forms("gmatrix", "i", mat<int>(1, 2, 1, 3));
  forms("gmatrix", "f", mat<float>(0, 1, -1, 1));
  forms("gmatrix", "d", mat<double>(1, 2, 1, 2));
  forms("gmatrix", "c", mat<std::complex<double>>(1, 1, 1, 2));

  seed("nopo", "tri_ining3", 0, nopo_file(false, 1, 3, 0));
  seed("nopo", "tri_ining1_ntass", 1, nopo_file(false, 1, 1, 2));
  seed("nopo", "tri_nodes_ining2", 0, nopo_file(false, 0, 2, 0));
  seed("nopo", "quad_norefs", 1, nopo_file(true, 1, 0, 0));

  // Gmsh: small text files with groups (Gmsh's own files are copied by
  // tools/fuzz.sh).
  seed("gmsh", "groups_22", -1,
       "$MeshFormat\n2.2 0 8\n$EndMeshFormat\n$PhysicalNames\n1\n1 7 \"bord\"\n"
       "$EndPhysicalNames\n$Nodes\n5\n1 0 0 0\n2 1 0 0\n3 1 1 0\n4 0 1 0\n9 2 2 0\n"
       "$EndNodes\n$Elements\n6\n1 15 2 4 1 1\n2 1 2 7 1 1 2\n3 1 2 9 2 2 3\n"
       "4 2 2 3 1 1 2 3\n5 2 2 2 1 1 2 3\n6 2 2 0 1 1 3 4\n$EndElements\n"
       "$NodeData\n1\n\"u\"\n$EndNodeData\n");
  seed("gmsh", "tet_41", -1,
       "$MeshFormat\n4.1 0 8\n$EndMeshFormat\n$Entities\n1 1 1 1\n"
       "1 0 0 0 1 5\n1 0 0 0 1 0 0 2 6 8 2 1 -1\n"
       "1 0 0 0 1 1 0 1 4 0\n1 0 0 0 1 1 1 1 3 0\n$EndEntities\n"
       "$Nodes\n2 4 1 40\n3 1 0 3\n1\n2\n40\n0 0 0\n1 0 0\n0 1 0\n"
       "1 1 1 1\n3\n0 0 1 0.5\n$EndNodes\n$Elements\n3 4 1 4\n"
       "0 1 15 1\n1 1\n1 1 1 1\n2 1 2\n3 1 4 2\n3 1 2 40 3\n4 2 1 40 3\n"
       "$EndElements\n");

  profile_seeds<int>("i");
  profile_seeds<float>("f");
  profile_seeds<double>("d");
  profile_seeds<std::complex<double>>("c");

  std::string cmd = "rm -rf '" + tmp_dir + "'";
  if (std::system(cmd.c_str()) != 0) return 1;
  utils_fin();
  return 0;
}
