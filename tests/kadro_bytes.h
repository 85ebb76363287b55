// Builds mesh viewer files byte by byte, in either byte order, for tests.
#ifndef KADRO_BYTES_H
#define KADRO_BYTES_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

struct kadro_bytes {
  explicit kadro_bytes(bool other_order = false) : swap(other_order) {}

  kadro_bytes& i32(std::int32_t v) {
    std::uint32_t u;
    std::memcpy(&u, &v, 4);
    return u32(u);
  }
  kadro_bytes& f32(float v) {
    std::uint32_t u;
    std::memcpy(&u, &v, 4);
    return u32(u);
  }
  kadro_bytes& text(std::string const& t) {
    b += t;
    return *this;
  }

  // Whole records with correct framing.
  kadro_bytes& title(std::string t) {
    t.resize(80, ' ');
    return i32(80).text(t).i32(80);
  }
  kadro_bytes& header(int nv) { return i32(8).i32(nv).i32(8).i32(8); }
  kadro_bytes& vertex(float x, float y, float z, int ref) {
    i32(48).f32(x).f32(y).f32(z);
    for (int k = 0; k < 9; ++k) i32(k == 3 ? ref : 0);
    return i32(48);
  }
  kadro_bytes& group(int k, int count, int nodes) {
    return i32(16).i32(k).i32(1).i32(count).i32(nodes).i32(16);
  }
  kadro_bytes& element(int pos, std::vector<int> const& nodes) {
    int const len = static_cast<int>(nodes.size() + 2) * 4;
    i32(len).i32(pos);
    for (int v : nodes) i32(v);
    return i32(0).i32(len);
  }

  bool save(std::string const& path) const {
    FILE* fp = std::fopen(path.c_str(), "wb");
    if (fp == nullptr) return false;
    bool ok = std::fwrite(b.data(), 1, b.size(), fp) == b.size();
    return std::fclose(fp) == 0 && ok;
  }

  std::string b;
  bool swap;

 private:
  kadro_bytes& u32(std::uint32_t u) {
    if (swap) u = __builtin_bswap32(u);
    char c[4];
    std::memcpy(c, &u, 4);
    b.append(c, 4);
    return *this;
  }
};

// The 2 x 1 cell grid: 6 vertices, one subdomain of 2 quadrilaterals.
inline kadro_bytes grid_2x1_bytes(std::string const& title, float x0, float y0,
                                  bool other_order = false) {
  kadro_bytes k(other_order);
  k.title(title).header(6);
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 3; ++i) k.vertex(x0 + i, y0 + j, 0.0f, 0);
  k.group(1, 2, 4).element(1, {1, 2, 5, 4}).element(2, {2, 3, 6, 5});
  return k;
}

// A directory whose name does not change between a death test and the
// child process that re-runs it, so that messages naming files match. The
// name carries a hash of the test program's path, so that two builds
// testing at once on one machine never share it.
inline std::string program_tag() {
  char buf[4096];
  ssize_t const n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  std::string const exe = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
  return std::to_string(std::hash<std::string>{}(exe) % 1000000007u);
}

struct fixed_dir {
  explicit fixed_dir(std::string const& tag)
      : dir("/tmp/utils_" + tag + "_" + std::to_string(getuid()) + "_" + program_tag()) {
    mkdir(dir.c_str(), 0755);
  }
  ~fixed_dir() {
    std::string cmd = "rm -rf '" + dir + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "cannot clean %s\n", dir.c_str());
  }
  std::string path(std::string const& name) const { return dir + "/" + name; }
  std::string dir;
};

#endif
