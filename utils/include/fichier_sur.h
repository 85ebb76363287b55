// Files replaced whole: a writer by name fills a temporary file in the
// target's directory and renames it over the target once it is complete, so
// that a failure or a killed run leaves the previous file as it was.
#ifndef FICHIER_SUR_H
#define FICHIER_SUR_H

#include <cstdio>
#include <string>

// One file written by name, for the length of one write.
//
// ouvre_fic() / ouvre_gz() open a temporary file "<target>.tmpXXXXXX" next
// to the target (a symbolic link is followed: the file it points to is
// replaced, the link stays). The temporary file gets the mode fopen would
// give the target: the old file's mode, or 0666 less the umask; root keeps
// the old owner. The target itself is opened instead, truncated as
// fopen(name, "w") does, when it is not a regular file (device, pipe), when
// it is an existing file that may not be written (so that the open fails as
// it always did), and when no temporary file can be made in its directory.
//
// ferme() / ferme_gz() close the stream and, when everything reached the
// file, rename the temporary file over the target. On any failure the
// temporary file is removed and the target is untouched. A temporary file
// still open when the run ends through exit() (a fatal error in the middle
// of a write) is removed too; only a killed process leaves one behind,
// under its temporary name.
class fichier_sur {
 public:
  explicit fichier_sur(char const* fname);
  ~fichier_sur();  // a temporary file not renamed yet is removed
  fichier_sur(fichier_sur const&) = delete;
  fichier_sur& operator=(fichier_sur const&) = delete;

  // A buffered stream to write; null with errno set when neither a
  // temporary file nor the target can be opened (nothing is left behind).
  FILE* ouvre_fic();
  // A gzip stream (gzFile) with zlib's mode, e.g. "wb9"; null likewise.
  void* ouvre_gz(char const* mode);

  // Closes fp (from ouvre_fic) and renames. Returns 0, or the first error
  // among `err` (the writer's own, which makes this an abandon), the final
  // flush, an earlier write (EIO when its errno is lost), the close and the
  // rename.
  int ferme(FILE* fp, int err = 0);
  // Closes z (from ouvre_gz) and renames. Returns 0 or an errno value (EIO
  // when zlib reports a failure that is not a system error).
  int ferme_gz(void* z);

  // True when the target is written directly, without a temporary file.
  bool en_place() const { return tmp_.empty(); }

 private:
  int ouvre();
  int remplace(int err);
  void inscrit();
  void oublie();
  static void nettoie();  // at exit: removes every temporary file left

  std::string nom_;    // as given: what an in-place open uses
  std::string cible_;  // what the temporary file replaces (links resolved)
  std::string tmp_;    // empty when writing in place or once done
  // Links of the list of temporary files not yet renamed or removed.
  fichier_sur* avant_ = nullptr;
  fichier_sur* apres_ = nullptr;
};

#endif
