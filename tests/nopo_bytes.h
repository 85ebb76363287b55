// Builds NOPO mesh files byte by byte (host byte order) for tests.
#ifndef NOPO_BYTES_H
#define NOPO_BYTES_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Raw words and records.
struct nopo_words {
  nopo_words& i32(std::int32_t v) {
    b.append(reinterpret_cast<char const*>(&v), 4);
    return *this;
  }
  nopo_words& f32(float v) {
    b.append(reinterpret_cast<char const*>(&v), 4);
    return *this;
  }
  nopo_words& ints(std::vector<int> const& v) {
    for (int x : v) i32(x);
    return *this;
  }
  nopo_words& text(std::string t, std::size_t n) {
    t.resize(n, ' ');
    b += t;
    return *this;
  }
  // Payload framed by its length before and after.
  nopo_words& record(nopo_words const& payload) {
    int const l = static_cast<int>(payload.b.size());
    i32(l);
    b += payload.b;
    return i32(l);
  }
  std::string b;
};

struct nopo_element {
  int ngge;
  std::vector<int> vertices;
  std::vector<int> refs;   // reference words, ining first
  std::vector<int> nodes;  // written when the nodes are not the vertices
};

// Positions of the counts in the counts record.
enum nopo_count {
  n_numdim = 0,
  n_ncopnp = 3,
  n_ne = 4,
  n_nseg = 6,
  n_ntri = 7,
  n_nqua = 8,
  n_ntet = 9,
  n_npent = 10,
  n_nhex = 11,
  n_nsup = 12,
  n_npoint = 21
};

struct nopo_mesh {
  int numdim = 2;
  int ncopnp = 1;
  int ntass = 0;
  std::vector<float> coords;  // numdim per vertex
  std::vector<nopo_element> elements;
  int counts[27] = {};
  std::vector<std::string> associated;  // payloads of the 1 + ntass records

  // Counts from the contents; the element kind from the first element
  // (3 triangles, 4 quadrilaterals). Tests may change them afterwards.
  void fill_counts() {
    std::memset(counts, 0, sizeof counts);
    counts[n_numdim] = numdim;
    counts[n_ncopnp] = ncopnp;
    counts[n_ne] = static_cast<int>(elements.size());
    int const kind = elements.empty() ? 3 : elements[0].ngge;
    counts[kind == 4 ? n_nqua : n_ntri] = static_cast<int>(elements.size());
    counts[n_npoint] = static_cast<int>(coords.size()) / numdim;
  }

  nopo_words descriptor() const {
    nopo_words p;
    p.ints({6, 1, 2, 3, 4, 5});
    nopo_words r;
    return r.record(p);
  }
  nopo_words general() const {
    nopo_words p;
    p.i32(7).text("maillage de test", 80).text("01012000", 8);
    p.text("createur", 24).text("NOPO", 4).i32(2).i32(0).i32(ntass);
    nopo_words r;
    r.record(p);
    if (ntass != 0)
      for (int k = 0; k <= ntass; ++k) {
        nopo_words a;
        a.b = k < static_cast<int>(associated.size()) ? associated[k] : std::string(12, 'a');
        r.record(a);
      }
    return r;
  }
  nopo_words counts_record() const {
    nopo_words p;
    p.i32(27);
    for (int c : counts) p.i32(c);
    nopo_words r;
    return r.record(p);
  }
  nopo_words coords_record() const {
    nopo_words p;
    p.i32(static_cast<int>(coords.size()));
    for (float x : coords) p.f32(x);
    nopo_words r;
    return r.record(p);
  }
  nopo_words elements_record() const {
    nopo_words p;
    p.i32(0);
    for (nopo_element const& e : elements) {
      int const npo = static_cast<int>(e.vertices.size());
      p.i32(e.ngge).i32(static_cast<int>(e.refs.size())).i32(1);
      if (ncopnp == 1) {
        p.i32(npo);
      } else {
        p.i32(static_cast<int>(e.nodes.size())).ints(e.nodes).i32(npo);
      }
      p.ints(e.vertices).ints(e.refs);
    }
    nopo_words r;
    return r.record(p);
  }

  std::string bytes() const {
    return descriptor().b + general().b + counts_record().b + coords_record().b +
           elements_record().b;
  }
};

// Two triangles on the unit square: (1 2 3) and (1 3 4).
inline nopo_mesh nopo_two_triangles() {
  nopo_mesh m;
  m.coords = {0, 0, 1, 0, 1, 1, 0, 1};
  m.elements = {{3, {1, 2, 3}, {}, {}}, {3, {1, 3, 4}, {}, {}}};
  m.fill_counts();
  return m;
}

#endif
