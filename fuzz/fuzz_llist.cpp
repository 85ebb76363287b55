// List loader (text form, plain files only). A list of vectors is loaded
// when the type code in the file is W, else a list of integers.
#include "fuzz_common.h"
#include "list_vec.h"
#include "llist.h"

int main(int argc, char** argv) {
  fuzz::start("fuzz_llist");
  std::vector<unsigned char> d = fuzz::input(argc, argv);
  char const* name = fuzz::write_scratch(d.data(), d.size(), ".l", false);
  if (d.size() > 1 && d[1] == 'W') {
    listdvector l;
    l.load(name);
    volatile int s = l.ne();
    (void)s;
  } else {
    listint l;
    l.load(name);
    volatile int s = l.ne();
    (void)s;
  }
  return fuzz::finish();
}
