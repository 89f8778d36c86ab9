// Set list files on disk: saved into the set lists' folder, made when missing, listed and read
// back; a set list that would not read back is refused and the file there is kept.

#include "store/SetListFiles.h"

#include "store/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SetListFiles, ASavedSetListIsListedAndReadBackAndARefusedOneLeavesTheFile) {
    QDir(SetListFolder()).removeRecursively();
    EXPECT_TRUE(SetListFolder().endsWith("/Quellfarn/Set lists"));
    const QString path = SetListFolder() + "/Friday.txt";
    TSetList list = TSetList::Read("# Friday\nIntro = B017 ; key of E\nTypo = E017\n").List;
    ASSERT_EQ(SaveSetList(path, list), "");
    ASSERT_EQ(SaveSetList(SetListFolder() + "/anchor.txt", list), "");
    QFile(SetListFolder() + "/notes.md").open(QIODevice::WriteOnly);
    EXPECT_EQ(SetListFiles(), QStringList({SetListFolder() + "/anchor.txt", path}));

    const TSetListLoad load = LoadSetList(path);
    EXPECT_EQ(load.Error, "");
    EXPECT_EQ(load.Read.List, list);
    ASSERT_EQ(load.Read.Problems.size(), 1u);
    EXPECT_EQ(load.Read.Problems[0].Text(), "line 3: no bank E: banks are A to D");

    list.Songs[0].Title = "#1";
    EXPECT_EQ(SaveSetList(path, list),
              "Song 1 \"#1\" cannot be written as a line that reads back the same; nothing was "
              "written");
    EXPECT_EQ(LoadSetList(path).Read.List.Songs[0].Title, "Intro");

    // Another folder is not made: a typing mistake in a path must not leave folders about.
    QTemporaryDir elsewhere;
    EXPECT_NE(SaveSetList(elsewhere.filePath("no/such/x.txt"), load.Read.List), "");
    EXPECT_FALSE(QDir(elsewhere.filePath("no")).exists());
    EXPECT_EQ(LoadSetList(elsewhere.filePath("gone.txt")).Error,
              elsewhere.filePath("gone.txt") + ": no such file");
    QFile huge(elsewhere.filePath("huge.txt"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write(QByteArray(kLargestSetListFile + 1, '#'));
    huge.close();
    EXPECT_TRUE(LoadSetList(huge.fileName()).Error.contains("is too large"));
}
