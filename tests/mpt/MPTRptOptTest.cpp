// The report options dialog: which style it shows and hands back.

#include "mpt/MPTRptOpt.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
QList<QRadioButton*> Items(const TfrmMPTRptOpt& dialog) {
    return dialog.regStyle->findChildren<QRadioButton*>();
}

QRadioButton* Item(const TfrmMPTRptOpt& dialog, const QString& caption) {
    for (QRadioButton* button : Items(dialog))
        if (button->text() == caption)
            return button;
    return nullptr;
}
} // namespace

TEST(MPTRptOpt, OffersTheTwoReportStyles) {
    TfrmMPTRptOpt dialog;
    EXPECT_EQ(dialog.windowTitle(), "Select report options");
    EXPECT_EQ(dialog.regStyle->title(), "Report Style");
    ASSERT_EQ(Items(dialog).size(), 2);
    ASSERT_NE(Item(dialog, "Grid layout"), nullptr);
    ASSERT_NE(Item(dialog, "List with filenames"), nullptr);
    EXPECT_EQ(dialog.btnOK->text(), "OK");
    EXPECT_EQ(dialog.btnCancel->text(), "Cancel");
}

TEST(MPTRptOpt, PresetStyleIsShownAndAnIndexOutsideTheItemsChoosesNone) {
    TfrmMPTRptOpt dialog;
    dialog.SetStyle(1);
    EXPECT_TRUE(Item(dialog, "List with filenames")->isChecked());
    EXPECT_EQ(dialog.Style(), 1);
    dialog.SetStyle(0);
    EXPECT_TRUE(Item(dialog, "Grid layout")->isChecked());
    EXPECT_FALSE(Item(dialog, "List with filenames")->isChecked());
    for (int outside : {2, -2, 1000}) {
        dialog.SetStyle(1);
        dialog.SetStyle(outside);
        EXPECT_EQ(dialog.Style(), -1) << outside;
        for (QRadioButton* button : Items(dialog))
            EXPECT_FALSE(button->isChecked()) << outside;
    }
    // With none chosen the user can still pick one.
    dialog.SetStyle(-1);
    Item(dialog, "Grid layout")->click();
    EXPECT_EQ(dialog.Style(), 0);
}

TEST(MPTRptOpt, OkReturnsTheClickedStyleAndCancelRejects) {
    TfrmMPTRptOpt dialog;
    dialog.SetStyle(0);
    QTimer::singleShot(0, &dialog, [&dialog] {
        QTest::mouseClick(Item(dialog, "List with filenames"), Qt::LeftButton);
        dialog.btnOK->click();
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.Style(), 1);

    QTimer::singleShot(0, &dialog, [&dialog] { dialog.btnCancel->click(); });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}
