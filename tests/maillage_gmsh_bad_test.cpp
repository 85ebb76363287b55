// Tests of the Gmsh reader on bad files: every refusal, with its message
// and status, and truncated or hostile files that must end cleanly.
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

#include "gmsh_files.h"
#include "kadro_bytes.h"
#include "maillage.h"
#include "test_util.h"

namespace {

void read_mesh(std::string const& path) { maillage m(path.c_str()); }

std::string data(std::string const& name) { return std::string(GMSH_DATA_DIR) + "/" + name; }

std::string square_nodes22(std::string const& body) { return kFormat22 + section("Nodes", body); }

// Each test writes its files in its own fixed directory, so that the names
// in the messages are the same in the death tests' children.
class GmshDeathTest : public ::testing::Test {
 protected:
  GmshDeathTest()
      : d_(std::string("gmsh_") + ::testing::UnitTest::GetInstance()->current_test_info()->name()),
        f_(d_.path("m.msh")) {}

  // The file holding `bytes` is refused with this detail, status 1.
  void refused(std::string const& bytes, std::string const& detail) {
    write_file(f_, bytes);
    EXPECT_FATAL(read_mesh(f_), 1, "Erreur de format dans la lecture de " + f_ + "\n" + detail);
  }

  fixed_dir d_;
  std::string f_;
};

std::string const kTriangles22 = section("Elements", "2\n1 2 2 0 1 1 2 3\n2 2 2 0 1 1 3 4\n");

}  // namespace

TEST_F(GmshDeathTest, OpenFailuresAndNames) {
  std::string const missing = d_.path("missing.msh");
  EXPECT_FATAL(
      read_mesh(missing), 208,
      "Rcourb: problemmes d'ouvertoure du fichier " + missing + "\nNo such file or directory\n");
  std::string const dir = d_.path("dir.msh");
  mkdir(dir.c_str(), 0755);
  EXPECT_FATAL(
      read_mesh(dir), 1,
      "Erreur de format dans la lecture de " + dir + "\nCe n'est pas un fichier ordinaire\n");
  EXPECT_FATAL(read_mesh("m.MSH"), 201, "Nom de fichier non valide: m.MSH\n");
  EXPECT_FATAL(read_mesh("m.msh2"), 201, "Nom de fichier non valide: m.msh2\n");
}

TEST_F(GmshDeathTest, FormatLine) {
  std::string const not_gmsh = "Ce n'est pas un fichier Gmsh ($MeshFormat attendu)\n";
  refused("", not_gmsh);
  refused("hello\n", not_gmsh);
  refused(std::string("\0\0\0\1", 4), not_gmsh);
  refused(section("MeshFormat", "4.0 0 8\n"),
          "Version de format non lue: 4.0 (2.2 ou 4.1 attendues)\n");
  refused(section("MeshFormat", "3 0 8\n"),
          "Version de format non lue: 3 (2.2 ou 4.1 attendues)\n");
  refused(section("MeshFormat", "2.2 2 8\n"), "Type de fichier non valide dans $MeshFormat: 2\n");
  refused("$MeshFormat\n2.2 1 4\n" + std::string("\1\0\0\0", 4) + "\n$EndMeshFormat\n",
          "Taille des reels non valide dans $MeshFormat: 4\n");
  refused("$MeshFormat\n4.1 1 8\n" + std::string("\2\0\0\0", 4) + "\n$EndMeshFormat\n",
          "Ordre des octets non reconnu\n");
  refused("$MeshFormat\n4.1 1 8 \n" + std::string("\1\0\0\0", 4) + "\n$EndMeshFormat\n",
          "Fin de ligne attendue dans $MeshFormat\n");
  refused(section("MeshFormat", "2.2 0 8 1\n"), "$EndMeshFormat attendu\n");
  refused(section("MeshFormat", "2.2 0 8\n") + section("MeshFormat", "2.2 0 8\n"),
          "Section $MeshFormat en double\n");
}

TEST_F(GmshDeathTest, BadNumbers) {
  std::string const in_nodes = "Nombre non valide dans $Nodes: ";
  refused(square_nodes22("1\n1.5 0 0 0\n"), in_nodes + "1.5\n");
  refused(square_nodes22("1\n1 abc 0 0\n"), in_nodes + "abc\n");
  refused(square_nodes22("1\n1 1e999 0 0\n"), in_nodes + "1e999\n");
  refused(square_nodes22("1\n1 nan 0 0\n"), in_nodes + "nan\n");
  refused(square_nodes22("1\n1 0 -inf 0\n"), in_nodes + "-inf\n");
  refused(square_nodes22("1\n99999999999999999999 0 0 0\n"), in_nodes + "99999999999999999999\n");
  refused(square_nodes22("1\n-1 0 0 0\n"), in_nodes + "-1\n");
  refused(square_nodes22("1\n1 0 0 \x01\x7f\n"), in_nodes + "??\n");
  refused(square_nodes22("1\n1 " + std::string(60, '7') + "x 0 0\n"),
          in_nodes + std::string(40, '7') + "...\n");
  refused(square_nodes22("1\n1 " + std::string(200, '1') + " 0 0\n"),
          "Ligne ou nombre trop long dans $Nodes\n");
  refused(square_nodes22("1\n2 0 1e39 0\n"), "Coordonnee du noeud 2 hors des reels simples\n");
  refused(kFormat22 + kSquareNodes22 + section("Elements", "1\n1 2x 2 0 1 1 2 3\n"),
          "Nombre non valide dans $Elements: 2x\n");
  refused(kFormat22 + section("PhysicalNames", "1\n4 1 \"a\"\n"),
          "Nombre non valide dans $PhysicalNames: 4\n");
}

TEST_F(GmshDeathTest, SectionStructure) {
  std::string const square = kSquareNodes22 + kTriangles22;
  refused(kFormat22 + "junk\n" + square, "Ligne inattendue hors des sections: junk\n");
  refused(kFormat22 + "$EndNodes\n" + square, "Ligne inattendue hors des sections: $EndNodes\n");
  refused(kFormat22 + "$\n" + square, "Ligne inattendue hors des sections: $\n");
  refused(kFormat22 + square + "$Comments\nabc\n", "Section $Comments sans $EndComments\n");
  refused(kFormat22 + square + "$Comments\n$EndCommentsX\n",
          "Section $Comments sans $EndComments\n");
  refused(kFormat22 + kSquareNodes22 + kSquareNodes22 + kTriangles22, "Section $Nodes en double\n");
  refused(kFormat22 + square + kTriangles22, "Section $Elements en double\n");
  refused(kFormat41 + section("Entities", "0 0 0 0\n") + section("Entities", "0 0 0 0\n"),
          "Section $Entities en double\n");
  refused(kFormat22 + kSquareNodes22, "Section $Elements absente\n");
  refused(kFormat22, "Section $Nodes absente\n");
  refused(kFormat22 + kTriangles22 + kSquareNodes22, "Section $Elements avant $Nodes\n");
  refused(kFormat22 + section("Nodes", "1\n1 0 0 0\n2 0 0 0\n"), "$EndNodes attendu\n");
  refused(kFormat22 + "$Nodes\n1\n1 0 0 0\n$EndNode\n", "$EndNodes attendu\n");
  refused(kFormat22 + "$Nodes\n1\n1 0 0 0\n", "$EndNodes attendu\n");
}

TEST_F(GmshDeathTest, NodesAndTheirTags) {
  refused(square_nodes22("2\n2 0 0 0\n2 1 0 0\n"), "Noeud 2 defini deux fois\n");
  refused(kFormat41 + section("Nodes",
                              "1 2 5 5\n2 1 0 2\n18446744073709551615\n"
                              "18446744073709551615\n0 0 0\n1 1 1\n"),
          "Noeud 18446744073709551615 defini deux fois\n");
  refused(square_nodes22("1\n0 0 0 0\n"), "Numero de noeud non valide dans $Nodes: 0\n");
  refused(kFormat22 + kSquareNodes22 + section("Elements", "1\n3 2 2 0 1 1 2 9\n"),
          "L'element 3 a le noeud 9 inconnu\n");
  refused(kFormat41 + section("Nodes", "1 3 1 3\n2 1 0 2\n1\n2\n0 0 0\n1 1 1\n"),
          "Nombre de noeuds incoherent dans $Nodes: 3 annonces, 2 lus\n");
  refused(kFormat41 + section("Nodes", "1 1 1 3\n2 1 0 2\n1\n2\n0 0 0\n1 1 1\n"),
          "Nombre de noeuds incoherent dans $Nodes: 1 annonces, 2 lus\n");
  refused(kFormat41 + section("Nodes", "1 1 1 1\n4 1 0 1\n1\n0 0 0\n"),
          "Nombre non valide dans $Nodes: 4\n");
  refused(kFormat41 + section("Nodes", "1 1 1 1\n2 1 2 1\n1\n0 0 0\n"),
          "Nombre non valide dans $Nodes: 2\n");
}

TEST_F(GmshDeathTest, ElementKinds) {
  std::string const nodes = kFormat22 + kSquareNodes22;
  refused(nodes + section("Elements", "1\n1 99 2 0 1 1 2 3\n"), "Type d'element inconnu: 99\n");
  refused(nodes + section("Elements", "1\n1 0 2 0 1 1 2 3\n"), "Type d'element inconnu: 0\n");
  std::string const unsupported =
      " non pris en charge (triangles a 3 noeuds, quadrilateres a 4 noeuds ou "
      "tetraedres a 4 noeuds seulement)\n";
  // Higher order elements of the highest dimension; other kinds of volume.
  refused(nodes + section("Elements", "1\n1 9 2 0 1 1 2 3 4 1 2\n"),
          "Elements de type 9" + unsupported);
  refused(nodes + section("Elements", "2\n1 2 2 0 1 1 2 3\n2 16 2 0 1 1 2 3 4 1 2 3 4\n"),
          "Elements de type 16" + unsupported);
  refused(nodes + section("Elements", "1\n1 5 2 0 1 1 2 3 4 1 2 3 4\n"),
          "Elements de type 5" + unsupported);
  refused(nodes + section("Elements", "2\n1 2 2 0 1 1 2 3\n2 3 2 0 1 1 2 3 4\n"),
          "Triangles et quadrilateres melanges: un seul type d'element par maillage\n");
  refused(nodes + section("Elements", "2\n1 1 2 0 1 1 2\n2 15 2 0 1 3\n"),
          "Aucun element de surface ou de volume\n");
  refused(nodes + section("Elements", "0\n"), "Aucun element de surface ou de volume\n");
  refused(nodes + section("Elements", "1\n1 2 2 -3 1 1 2 3\n"),
          "Groupe physique non valide dans $Elements: -3\n");
}

TEST_F(GmshDeathTest, EntitiesOf41) {
  std::string const nodes = kSquareNodes41;
  std::string const surface = section("Elements", "1 1 1 1\n2 5 2 1\n1 1 2 3\n");
  refused(kFormat41 + section("Entities", "0 0 1 0\n1 0 0 0 1 1 0 1 4 0\n") + nodes + surface,
          "Entite de dimension 2 et de numero 5 inconnue\n");
  refused(kFormat41 + section("Entities", "0 2 0 0\n1 0 0 0 1 1 0 0 0\n1 0 0 0 1 1 0 0 0\n"),
          "Entite de dimension 1 et de numero 1 definie deux fois\n");
  refused(kFormat41 + nodes + section("Elements", "1 1 1 1\n1 5 2 1\n1 1 2 3\n"),
          "Elements de type 2 dans une entite de dimension 1\n");
  refused(kFormat41 + section("Entities", "0 0 1 0\n5 0 0 0 1 1 0 1 0 0\n"),
          "Groupe physique non valide dans $Entities: 0\n");
  refused(kFormat41 + section("Entities", "0 0 1 0\n5 0 0 0 1 1 0 1 -2 0\n"),
          "Groupe physique non valide dans $Entities: -2\n");
  refused(kFormat41 + nodes + section("Elements", "1 2 1 2\n2 1 2 1\n1 1 2 3\n"),
          "Nombre d'elements incoherent dans $Elements: 2 annonces, 1 lus\n");
}

TEST_F(GmshDeathTest, CountsBeyondTheFileAreRefusedBeforeAllocation) {
  refused(square_nodes22("1000000000\n1 0 0 0\n"), "Fichier trop court pour 1000000000 noeuds\n");
  refused(kFormat22 + kSquareNodes22 + section("Elements", "5000000000\n1 2 2 0 1 1 2 3\n"),
          "Fichier trop court pour 5000000000 elements\n");
  refused(kFormat41 + section("Entities", "0 0 100000000 0\n"),
          "Fichier trop court pour 100000000 entites\n");
  refused(kFormat41 + section("Entities", "0 0 1 0\n1 0 0 0 1 1 0 4000000000 1\n"),
          "Fichier trop court pour 4000000000 groupes physiques\n");
  refused(kFormat41 + section("Entities", "0 1 0 0\n1 0 0 0 1 1 0 0 900000000 1\n"),
          "Fichier trop court pour 900000000 entites du bord\n");
  refused(kFormat41 + section("Nodes", "900000000 1 1 1\n2 1 0 1\n1\n0 0 0\n"),
          "Fichier trop court pour 900000000 blocs de noeuds\n");
  refused(kFormat41 + section("Nodes", "1 1 1 1\n2 1 0 800000000\n1\n0 0 0\n"),
          "Fichier trop court pour 800000000 noeuds\n");
  refused(kFormat41 + kSquareNodes41 + section("Elements", "1 1 1 1\n2 1 2 700000000\n1 1 2 3\n"),
          "Fichier trop court pour 700000000 elements\n");
  // In binary: sizes up to 2^64 - 1.
  std::string const huge =
      msh_binary(kFormat41 + section("Nodes", "1 18446744073709551615 1 1\n2 1 0 1\n1\n0 0 0\n"));
  refused(huge, "Fichier trop court pour 18446744073709551615 noeuds\n");
  std::string const block =
      msh_binary(kFormat22 + kSquareNodes22 + section("Elements", "1\n1 2 2 0 1 1 2 3\n"));
  std::string b = block;
  // The block's count word (type, count, tags): 2^31 - 1 elements.
  std::size_t const at = b.find("$Elements\n1\n") + 12 + 4;
  b.replace(at, 4, std::string("\xff\xff\xff\x7f", 4));
  refused(b, "Nombre d'elements incoherent dans $Elements: 1 annonces, 2147483647 lus\n");
  b = block;
  b.replace(at, 4, std::string("\0\0\0\0", 4));
  refused(b, "Nombre d'elements non valide dans $Elements: 0\n");
}

TEST_F(GmshDeathTest, BinaryNumbersAreChecked) {
  // Tags and nodes of 2.2 binary files are 4-byte ints.
  std::string const text = kFormat22 + kSquareNodes22 + kTriangles22;
  std::string b = msh_binary(text);
  std::size_t const nodes = b.find("$Nodes\n4\n") + 9;
  b.replace(nodes, 4, std::string("\xfb\xff\xff\xff", 4));
  refused(b, "Numero de noeud non valide dans $Nodes: -5\n");
  b = msh_binary(text);
  std::size_t const elem = b.find("$Elements\n2\n") + 12 + 12;
  b.replace(elem, 4, std::string("\0\0\0\0", 4));
  refused(b, "Numero d'element non valide dans $Elements: 0\n");
  b = msh_binary(text);
  b.replace(elem - 4, 4, std::string("\xff\xff\xff\xff", 4));  // the block's tag count
  refused(b, "Nombre d'etiquettes non valide dans $Elements: -1\n");
  b = msh_binary(text);
  b.replace(elem + 12, 4, std::string("\0\0\0\x80", 4));
  refused(b, "Numero de noeud non valide dans $Elements: -2147483648\n");
  b = msh_binary(text);
  b.replace(nodes + 4, 8, std::string("\0\0\0\0\0\0\xf0\x7f", 8));  // +inf
  refused(b, "Coordonnee du noeud 1 hors des reels simples\n");
  b = msh_binary(text);
  b.replace(b.find("$Nodes\n4\n") + 8, 1, " ");
  refused(b, "Fin de ligne attendue dans $Nodes\n");
}

TEST_F(GmshDeathTest, TruncatedFilesEndCleanly) {
  for (char const* name : {"forme_l_22.msh", "forme_l_22b.msh", "forme_l_41.msh", "cube_41b.msh"}) {
    std::string const full = read_file(data(name));
    for (std::size_t cut = 0; cut < full.size(); cut += 1 + full.size() / 11) {
      write_file(f_, full.substr(0, cut));
      EXPECT_EXIT(read_mesh(f_), ::testing::ExitedWithCode(1),
                  fatal_re("Erreur de format dans la lecture de " + f_ + "\n"))
          << name << " cut at " << cut;
    }
  }
  std::string const end = "Fin de fichier inattendue\n";
  // The counts fit, the last number is missing.
  refused(kFormat22 + "$Nodes\n1\n1 0.5 0.25", end);
  std::string const b = msh_binary(kSquare41);
  refused(b.substr(0, b.find("$Nodes\n") + 10), end);
}
