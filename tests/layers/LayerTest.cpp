// The layers as the build holds them: every include under src, tools, tests, bench and fuzz is
// one the layer table in CONTRIBUTING.md allows, and every target links what its files include
// and nothing more. Both checks also run on small made-up trees, so a check that lets a wrong
// include or link line through is caught too.

#include "IncludeScan.h"
#include "LayerTable.h"
#include "TargetLinks.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::IsEmpty;
using testing::UnorderedElementsAre;

namespace {
std::string Read(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += "\n  " + line;
    return text;
}

TLayerTable ProjectTable() {
    std::vector<std::string> problems;
    TLayerTable table =
        TLayerTable::Read(Read(fs::path(QUELLFARN_SOURCE_DIR) / "CONTRIBUTING.md"), problems);
    EXPECT_THAT(problems, IsEmpty());
    return table;
}

// A made-up project in a folder of its own: files written with the lines given, and a few Qt
// headers where the module lookup finds them.
class MadeUpTree : public testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("quellfarn-layers-" + std::to_string(::getpid()));
        fs::remove_all(root);
        for (const auto& [module, header] :
             {std::pair{"QtCore", "QString"}, std::pair{"QtGui", "QFont"},
              std::pair{"QtWidgets", "QWidget"}})
            Write("qt/" + std::string(module) + "/" + header, "");
    }
    void TearDown() override { fs::remove_all(root); }

    void Write(const std::string& name, const std::string& text) {
        fs::create_directories((root / name).parent_path());
        std::ofstream(root / name) << text;
    }

    static constexpr const char* kTable = R"(
<!-- layer table -->
| Folder | May include | Qt |
|---|---|---|
| `model` | — | none |
| `midi` | `model` | Core |
| `editor` | `model` | all |
| `app` | everything | all |
| `tests/app`, `tests/support` | everything, `support` | all |
<!-- end of layer table -->
)";

    fs::path root;
};
} // namespace

TEST(Layers, EveryIncludeIsOneTheTableAllows) {
    const TProjectTree tree(QUELLFARN_SOURCE_DIR);
    ASSERT_GT(tree.Files().size(), 100u);
    const std::vector<std::string> violations =
        CheckIncludes(tree, ProjectTable(), TQtModules(QUELLFARN_QT_HEADERS));
    EXPECT_THAT(violations, IsEmpty()) << Lines(violations);
}

TEST(Layers, EveryTargetLinksWhatItIncludesAndNothingMore) {
    std::vector<std::string> problems;
    const auto targets = ReadTargets(QUELLFARN_TARGET_LIST, problems);
    ASSERT_THAT(problems, IsEmpty());
    ASSERT_TRUE(targets.count("quellfarn_model") && targets.count("quellfarn-tool"));
    const std::vector<std::string> violations =
        CheckLinks(TProjectTree(QUELLFARN_SOURCE_DIR), targets, TQtModules(QUELLFARN_QT_HEADERS));
    EXPECT_THAT(violations, IsEmpty()) << Lines(violations);
}

TEST_F(MadeUpTree, WrongIncludesAreNamedWithFileAndLineAllAtOnce) {
    Write("src/model/Preset.h", "#pragma once\n#include <vector>\n#include <QString>\n");
    Write("src/midi/Port.h", "#include \"model/Preset.h\"\n#include <QString>\n"
                             "#include <QtWidgets/QWidget>\n");
    Write("src/editor/Editor.cpp", "#include \"editor/Editor.h\"\n#include \"midi/Port.h\"\n"
                                   "#include <QFont>\n");
    Write("src/editor/Editor.h", "  #  include \"model/Preset.h\"\n");
    Write("src/app/Main.h", "#include \"editor/Editor.h\"\n#include \"midi/Port.h\"\n");
    Write("src/sound/Sound.h", "");
    Write("tests/support/Rig.h", "#include \"app/Main.h\"\n#include \"Missing.h\"\n");
    Write("tests/editor/EditorTest.cpp",
          "#include \"support/Rig.h\"\n#include \"editor/Editor.h\"\n#include \"Helper.h\"\n"
          "#include \"app/Main.h\"\n");
    Write("tests/editor/Helper.h", "#include \"model/Preset.h\"\n");
    Write("tests/model/PresetTest.cpp", "#include \"support/Rig.h\"\n#include <QString>\n");
    Write("tests/app/MainTest.cpp", "#include \"midi/Port.h\"\n#include \"support/Rig.h\"\n");
    std::vector<std::string> problems;
    const TLayerTable table = TLayerTable::Read(kTable, problems);
    ASSERT_THAT(problems, IsEmpty());
    EXPECT_THAT(CheckIncludes(TProjectTree(root), table, TQtModules(root / "qt")),
                UnorderedElementsAre(
                    "src/sound: the layer table has no row for sound",
                    "src/sound/Sound.h: the layer table has no row for sound",
                    "src/model/Preset.h:3: <QString> is Qt Core; model includes no Qt",
                    "src/midi/Port.h:3: <QtWidgets/QWidget> is Qt Widgets; midi includes Qt "
                    "Core only",
                    "src/editor/Editor.cpp:2: \"midi/Port.h\" is midi; editor may not include "
                    "midi",
                    "tests/support/Rig.h:2: \"Missing.h\" names no file of ours",
                    "tests/editor/EditorTest.cpp:4: \"app/Main.h\" is app; tests/editor may not "
                    "include app",
                    "tests/model/PresetTest.cpp:2: <QString> is Qt Core; tests/model includes no "
                    "Qt"));
}

TEST_F(MadeUpTree, ATableThatCannotBeReadSaysSo) {
    std::vector<std::string> problems;
    TLayerTable::Read("| `model` | — | none |\n", problems);
    EXPECT_THAT(problems, ElementsAre(testing::HasSubstr("no layer table")));
    problems.clear();
    TLayerTable::Read("<!-- layer table -->\n| `model` | — | plenty |\n| `midi` | | Core |\n"
                      "| `midi` | `model` | Core |\n<!-- end of layer table -->\n",
                      problems);
    EXPECT_THAT(problems, ElementsAre("layer table: cannot read the row \"| `model` | — | "
                                      "plenty |\"",
                                      "layer table: two rows for midi"));
}

TEST_F(MadeUpTree, LinkLinesMustNameWhatTheFilesIncludeAndNothingElse) {
    Write("src/model/Preset.h", "#pragma once\n");
    Write("src/model/Preset.cpp", "#include \"model/Preset.h\"\n");
    Write("src/midi/Port.h", "#pragma once\n#include <QString>\n#include \"model/Preset.h\"\n");
    Write("src/midi/Port.cpp", "#include \"midi/Port.h\"\n#include <rtmidi/RtMidi.h>\n");
    Write("src/midi/Queue.h", "#pragma once\n"); // not listed: still midi's
    Write("src/editor/Editor.cpp", "#include \"midi/Queue.h\"\n#include <QWidget>\n"
                                   "#include <QFont>\n");
    Write("tests/support/Rig.h", "#include \"midi/Port.h\"\n");
    Write("tests/support/Main.cpp", "int main() {}\n");
    Write("tests/editor/EditorTest.cpp", "#include \"support/Rig.h\"\n#include <QString>\n");
    const std::string src = (root / "src").string();
    const std::string tests = (root / "tests").string();
    Write("targets.txt", "target\tquellfarn_model\tSTATIC_LIBRARY\t" + src +
                             "/model\n"
                             "source\tquellfarn_model\t" +
                             src +
                             "/model/Preset.h\n"
                             "source\tquellfarn_model\t" +
                             src +
                             "/model/Preset.cpp\n"
                             "link\tquellfarn_model\tQt6::Core\n"
                             "target\tquellfarn_midi\tSTATIC_LIBRARY\t" +
                             src +
                             "/midi\n"
                             "source\tquellfarn_midi\t" +
                             src +
                             "/midi/Port.h\n"
                             "source\tquellfarn_midi\t" +
                             src +
                             "/midi/Port.cpp\n"
                             "link\tquellfarn_midi\tQt6::Core\n"
                             "link\tquellfarn_midi\tquellfarn_model\n"
                             "link\tquellfarn_midi\tPkgConfig::RTMIDI\n"
                             "public\tquellfarn_midi\tQt6::Core\n"
                             "public\tquellfarn_midi\t$<LINK_ONLY:quellfarn_model>\n"
                             "public\tquellfarn_midi\t$<LINK_ONLY:PkgConfig::RTMIDI>\n"
                             "target\tquellfarn_editor\tSTATIC_LIBRARY\t" +
                             src +
                             "/editor\n"
                             "source\tquellfarn_editor\t" +
                             src +
                             "/editor/Editor.cpp\n"
                             "link\tquellfarn_editor\tquellfarn_midi\n"
                             "link\tquellfarn_editor\tquellfarn_model\n"
                             "link\tquellfarn_editor\tQt6::Widgets\n"
                             "link\tquellfarn_editor\tThreads::Threads\n"
                             "target\ttest_main\tSTATIC_LIBRARY\t" +
                             tests +
                             "\n"
                             "source\ttest_main\t" +
                             tests +
                             "/support/Main.cpp\n"
                             "target\teditor_tests\tEXECUTABLE\t" +
                             tests +
                             "/editor\n"
                             "source\teditor_tests\t" +
                             tests +
                             "/editor/EditorTest.cpp\n"
                             "link\teditor_tests\ttest_main\n"
                             "link\teditor_tests\tQt6::Widgets\n");
    std::vector<std::string> problems;
    const auto targets = ReadTargets(root / "targets.txt", problems);
    ASSERT_THAT(problems, IsEmpty());
    EXPECT_THAT(
        CheckLinks(TProjectTree(root), targets, TQtModules(root / "qt")),
        UnorderedElementsAre(
            "quellfarn_model: links Qt6::Core but includes nothing of it",
            "quellfarn_midi: a header of its own includes quellfarn_model: link it PUBLIC "
            "(src/midi/Port.h:3)",
            "quellfarn_editor: links quellfarn_model but includes nothing of it",
            // A helper header is the test's own code: what it includes, the test links.
            "editor_tests: includes quellfarn_midi but does not link it (tests/support/Rig.h:1)",
            // Widgets would bring the Core it uses, but Core is what it uses.
            "editor_tests: links Qt6::Widgets but includes nothing of it"));
}
