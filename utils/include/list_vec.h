// Element forms of lists of integers and of ordered vectors of doubles, so
// that the generic list and collection file code can handle them.
#ifndef LIST_VEC_H
#define LIST_VEC_H

#include <cstdio>

#include "llist.h"

// Result of ascan for a vector line whose numbers do not form a vector.
const int VALEUR_INCORRECTE = -3;

// List of integers as an element: type code L; aprint writes the list's text
// form (as save), ascan reads it up to the end of the stream (as load, the
// values added to `val`). tostr writes one blank and returns 1; fromstr
// leaves the list unchanged and returns 0.
char ptype(const llist<int>& x);
void aprint(FILE* fp, const llist<int>& x);
int ascan(FILE* fp, llist<int>& val);
int tostr(char* st, const llist<int>& x);
int fromstr(char const* st, llist<int>& val);

// Ordered vector of doubles as a list value: type code W; aprint writes
// "nl nh " then each component in "%.17g ", on the current line.
// ascan reads one such line of any length: 1 when a vector was read (val
// replaced), 0 for a line without numbers (val unchanged), VALEUR_INCORRECTE
// for a malformed line, FIN_FICHIER at end of data.
char ptype(const ovector<double>& x);
void aprint(FILE* fp, const ovector<double>& x);
int ascan(FILE* fp, ovector<double>& val);

#endif
