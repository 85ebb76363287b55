// What meshio read, per file, from tests/vtk_meshio_check.py's output.
#ifndef MESHIO_OUTPUT_H
#define MESHIO_OUTPUT_H

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

struct meshio_file {
  int dim = 0;
  std::vector<double> points;      // dim per point
  std::vector<std::string> types;  // per block of cells
  std::vector<std::vector<long>> cells;
  std::map<std::string, std::vector<double>> point_data, cell_data;
};

inline std::map<std::string, meshio_file> parse_meshio(std::string const& text) {
  std::map<std::string, meshio_file> files;
  std::istringstream in(text);
  std::string kw, name;
  meshio_file* f = nullptr;
  while (in >> kw) {
    long n = 0;
    if (kw == "file") {
      in >> name;
      f = &files[name];
    } else if (f == nullptr) {
      break;
    } else if (kw == "points") {
      in >> n >> f->dim;
      f->points.resize(static_cast<std::size_t>(n * f->dim));
      for (double& x : f->points) in >> x;
    } else if (kw == "cells") {
      long k = 0;
      in >> name >> n >> k;
      f->types.push_back(name);
      for (long c = 0; c < n; ++c) {
        std::vector<long> v(static_cast<std::size_t>(k));
        for (long& x : v) in >> x;
        f->cells.push_back(v);
      }
    } else {
      in >> name >> n;
      auto& d = (kw == "point_data" ? f->point_data : f->cell_data)[name];
      std::string x;
      for (long i = 0; i < n && in >> x; ++i) d.push_back(std::strtod(x.c_str(), nullptr));
    }
  }
  return files;
}

#endif
