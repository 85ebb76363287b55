// Minimal XML reader for the tests of the SVG and VTK writers.
#ifndef XML_DOC_H
#define XML_DOC_H

#include <cctype>
#include <map>
#include <string>
#include <vector>

// Minimal XML reader: checks that the document is well formed (prolog,
// nesting, quoted attributes, known entities) and collects the elements.
struct xml_doc {
  struct node {
    std::string name;
    std::map<std::string, std::string> attr;
  };
  std::vector<node> nodes;
  std::string error;

  explicit xml_doc(std::string const& s) {
    std::size_t i = 0;
    std::vector<std::string> open;
    bool root_done = false;
    if (s.compare(0, 5, "<?xml") == 0) {
      i = s.find("?>");
      if (i == std::string::npos) {
        error = "prolog";
        return;
      }
      i += 2;
    }
    while (i < s.size()) {
      if (s[i] != '<') {
        std::size_t j = s.find('<', i);
        if (j == std::string::npos) j = s.size();
        std::string text = s.substr(i, j - i);
        if (open.empty() && text.find_first_not_of(" \n\r\t") != std::string::npos) {
          error = "text outside the root";
          return;
        }
        if (!entities_ok(text)) {
          error = "bad entity";
          return;
        }
        i = j;
        continue;
      }
      if (s[i + 1] == '/') {
        std::size_t j = s.find('>', i);
        if (j == std::string::npos || open.empty() || s.substr(i + 2, j - i - 2) != open.back()) {
          error = "mismatched end tag";
          return;
        }
        open.pop_back();
        if (open.empty()) root_done = true;
        i = j + 1;
        continue;
      }
      if (root_done) {
        error = "second root";
        return;
      }
      node n;
      std::size_t j = i + 1;
      while (j < s.size() &&
             (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '-' || s[j] == ':'))
        ++j;
      n.name = s.substr(i + 1, j - i - 1);
      if (n.name.empty()) {
        error = "tag name";
        return;
      }
      for (;;) {
        while (j < s.size() && std::isspace(static_cast<unsigned char>(s[j]))) ++j;
        if (j >= s.size()) {
          error = "unterminated tag";
          return;
        }
        if (s[j] == '>' || s.compare(j, 2, "/>") == 0) break;
        std::size_t k = s.find('=', j);
        if (k == std::string::npos || k + 1 >= s.size() || s[k + 1] != '"') {
          error = "attribute";
          return;
        }
        std::string key = s.substr(j, k - j);
        std::size_t e = s.find('"', k + 2);
        if (e == std::string::npos) {
          error = "attribute value";
          return;
        }
        std::string val = s.substr(k + 2, e - k - 2);
        if (val.find('<') != std::string::npos || !entities_ok(val) || n.attr.count(key)) {
          error = "attribute value";
          return;
        }
        n.attr[key] = val;
        j = e + 1;
      }
      nodes.push_back(n);
      if (s[j] == '>') {
        open.push_back(n.name);
        i = j + 1;
      } else {
        if (open.empty()) root_done = true;
        i = j + 2;
      }
    }
    if (!open.empty())
      error = "unclosed " + open.back();
    else if (!root_done)
      error = "no root";
  }

  static bool entities_ok(std::string const& t) {
    for (std::size_t p = t.find('&'); p != std::string::npos; p = t.find('&', p + 1)) {
      std::size_t q = t.find(';', p);
      if (q == std::string::npos) return false;
      std::string e = t.substr(p, q - p + 1);
      if (e != "&amp;" && e != "&lt;" && e != "&gt;" && e != "&quot;" && e != "&apos;")
        return false;
    }
    return true;
  }

  std::vector<node const*> all(std::string const& name) const {
    std::vector<node const*> r;
    for (auto const& n : nodes)
      if (n.name == name) r.push_back(&n);
    return r;
  }
};

#endif
