// The bound controls: what they show for a cell, what they write into it and when they tell.

#include "controls/qvLCDmeter.h"
#include "controls/qvRadioGroup.h"
#include "controls/qvTrackBar.h"
#include "support/ErrorOf.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"

#include <QImage>
#include <QPaintEvent>
#include <QRadioButton>
#include <QRegion>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {
void ShowAndFocus(QWidget& widget) {
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    widget.activateWindow();
    widget.setFocus();
    PumpFor(20);
}

int CheckedButton(const TqvRadioGroup& group) {
    const auto buttons = group.Buttons();
    for (qsizetype i = 0; i < buttons.size(); ++i)
        if (buttons[i]->isChecked())
            return static_cast<int>(i);
    return -1;
}

int LitCount(const TqvLCDmeter& meter) {
    int lit = 0;
    for (int i = 0; i < meter.PipCount(); ++i)
        lit += meter.PipLit(i) ? 1 : 0;
    return lit;
}
} // namespace

TEST(TrackBarTest, MirroredShowsMaximumMinusTheCellAndStoresItBackUnboundItWritesNowhere) {
    TqvTrackBar bar;
    bar.setRange(0, 127);
    bar.Mirrored = true;
    int calls = 0;
    bar.OnValueChanged = [&] { ++calls; };
    int cell = 64;
    bar.Bind(&cell);
    EXPECT_EQ(bar.value(), 63);
    EXPECT_EQ(calls, 0);

    ShowAndFocus(bar);
    QTest::keyClick(&bar, Qt::Key_Home);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_EQ(cell, 127);
    EXPECT_EQ(calls, 1);
    QTest::keyClick(&bar, Qt::Key_End);
    EXPECT_EQ(cell, 0);
    EXPECT_EQ(calls, 2);

    // Unbound, it tells every move and writes nowhere.
    bar.Bind(nullptr);
    QSignalSpy changes(&bar, &TqvTrackBar::Change);
    QTest::keyClick(&bar, Qt::Key_Home);
    QTest::keyClick(&bar, Qt::Key_PageUp);
    EXPECT_EQ(cell, 0);
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(changes.count(), 2);
}

TEST(TrackBarTest, BindingShowsTheCellWithoutCountingAsAnEdit) {
    TqvTrackBar bar;
    bar.setRange(0, 31);
    bar.setValue(20);
    int calls = 0;
    bar.OnValueChanged = [&] { ++calls; };
    QSignalSpy changes(&bar, &TqvTrackBar::Change);
    const auto bindAt = [&](int position, int* cell) {
        bar.Bind(nullptr);
        bar.setValue(position);
        changes.clear();
        calls = 0;
        bar.Bind(cell);
        EXPECT_EQ(calls, 0) << position;
        EXPECT_EQ(changes.count(), 1) << position;
    };

    int same = 20;
    bindAt(20, &same); // nothing moves, but the display handler still runs
    EXPECT_EQ(same, 20);
    int other = 5;
    bindAt(20, &other);
    EXPECT_EQ(bar.value(), 5);

    int tooHigh = 100; // from a damaged file: clamped and written back
    bindAt(20, &tooHigh);
    EXPECT_EQ(bar.value(), 31);
    EXPECT_EQ(tooHigh, 31);
    int tooLow = -3; // clamps onto the position the bar already shows
    bindAt(0, &tooLow);
    EXPECT_EQ(tooLow, 0);

    bar.Mirrored = true;
    int mirroredTooHigh = 40;
    bindAt(10, &mirroredTooHigh);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_EQ(mirroredTooHigh, 31);
}

TEST(RadioGroupTest, TheAddendShiftsWhatIsShownAndStored) {
    TqvRadioGroup group;
    group.SetItems({"Room", "Hall", "Plate", "Chamber", "Spring"});
    group.DataAddend = 9;
    int calls = 0;
    group.OnValueChanged = [&] { ++calls; };
    QSignalSpy clicks(&group, &TqvRadioGroup::Click);
    int cell = 12;
    group.Bind(&cell);
    EXPECT_EQ(group.ItemIndex(), 3);
    EXPECT_EQ(CheckedButton(group), 3);
    EXPECT_EQ(group.Buttons()[3]->text(), "Chamber");
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(calls, 0);

    ShowAndFocus(group);
    ClickBox(group.Buttons()[0]);
    EXPECT_EQ(cell, 9);
    EXPECT_EQ(CheckedButton(group), 0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(clicks.count(), 2);
    QTest::keyClick(group.Buttons()[0], Qt::Key_Down);
    EXPECT_EQ(cell, 10);
    EXPECT_EQ(calls, 2);

    group.SetItemIndex(1); // the same choice again is still told
    EXPECT_EQ(calls, 3);
    group.SetItemIndex(99);
    EXPECT_EQ(cell, 13);
    EXPECT_EQ(CheckedButton(group), 4);
}

TEST(RadioGroupTest, AValueOutsideTheItemsIsKeptAndChecksNothing) {
    TqvRadioGroup group;
    group.SetItems({"Pre DDL", "Post DDL"});
    group.DataAddend = 5;
    int calls = 0;
    group.OnValueChanged = [&] { ++calls; };
    for (int stored : {7, 2}) {
        int cell = stored;
        group.Bind(&cell);
        EXPECT_EQ(CheckedButton(group), -1) << stored;
        EXPECT_EQ(cell, stored);
    }

    int cell = 40;
    group.Bind(&cell);
    group.SetItemIndex(-1); // no item, so nothing to store
    EXPECT_EQ(cell, 40);
    EXPECT_EQ(calls, 0);

    ShowAndFocus(group);
    ClickBox(group.Buttons()[1]);
    EXPECT_EQ(cell, 6);
    EXPECT_EQ(calls, 1);
}

TEST(RadioGroupTest, ReplacedItemsPullAnIndexBeyondThemBackToTheLast) {
    TqvRadioGroup group;
    group.SetItems({"1", "2", "3", "4", "5"});
    group.DataAddend = 1;
    int calls = 0;
    group.OnValueChanged = [&] { ++calls; };
    int cell = 5;
    group.Bind(&cell);

    group.SetItems({"a", "b", "c"});
    EXPECT_EQ(group.ItemIndex(), 2);
    EXPECT_EQ(cell, 3);
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(group.Buttons().size(), 3);
    EXPECT_EQ(CheckedButton(group), 2);
    EXPECT_EQ(group.Buttons()[2]->text(), "c");

    group.SetItems({"x", "y", "z", "w"}); // the index still fits: nothing to write
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(CheckedButton(group), 2);

    group.SetItems({});
    EXPECT_EQ(group.ItemIndex(), -1);
    EXPECT_TRUE(group.Buttons().isEmpty());
    EXPECT_EQ(cell, 3);
    EXPECT_EQ(calls, 1);
}

TEST(RadioGroupTest, ItemsFillColumnByColumn) {
    TqvRadioGroup group;
    group.SetItems({"1", "2", "3", "4", "5", "6", "7"});
    group.SetColumns(3);
    group.resize(300, 150);
    group.show();
    PumpFor(20);
    const auto buttons = group.Buttons();
    EXPECT_EQ(buttons[3]->y(), buttons[0]->y()); // three rows: the fourth starts column two
    EXPECT_GT(buttons[3]->x(), buttons[2]->x());
    EXPECT_GT(buttons[1]->y(), buttons[0]->y());
    EXPECT_GT(buttons[6]->x(), buttons[3]->x());

    group.SetColumns(0);
    EXPECT_EQ(group.Columns(), 1);
    group.SetColumns(40);
    EXPECT_EQ(group.Columns(), 16);
}

TEST(LCDmeterTest, LitPipsGrowFromTheBottomOrFromTheLeft) {
    TqvLCDmeter meter;
    EXPECT_EQ(meter.Orientation(), TLCDOrientation::lcdVertical);
    meter.resize(30, 100);
    meter.SetParams(6, 0, 12);
    ASSERT_EQ(meter.PipCount(), 33);
    EXPECT_EQ(LitCount(meter), 16);
    EXPECT_FALSE(meter.PipLit(16));
    EXPECT_TRUE(meter.PipLit(17));
    EXPECT_TRUE(meter.PipLit(32));

    meter.SetOrientation(TLCDOrientation::lcdHorizontal);
    meter.resize(100, 30);
    EXPECT_EQ(LitCount(meter), 16);
    EXPECT_TRUE(meter.PipLit(15));
    EXPECT_FALSE(meter.PipLit(16));
    meter.SetPosition(0);
    EXPECT_EQ(LitCount(meter), 0);
    meter.SetPosition(12);
    EXPECT_EQ(LitCount(meter), 33);

    meter.SetParams(4, 4, 4); // an empty range lights nothing and does not fail
    EXPECT_EQ(LitCount(meter), 0);
}

TEST(LCDmeterTest, ARangeBelowItsMinimumIsRefusedAndChangesNothing) {
    TqvLCDmeter meter;
    int cell = 3;
    meter.Bind(&cell);
    int calls = 0;
    meter.OnValueChanged = [&] { ++calls; };

    EXPECT_EQ(ErrorOf([&] { meter.SetParams(0, 5, 4); }), "Property Out Of Range");
    EXPECT_EQ(ErrorOf([&] { meter.SetMin(11); }), "Property Out Of Range");
    EXPECT_EQ(ErrorOf([&] { meter.SetMax(-1); }), "Property Out Of Range");
    EXPECT_EQ(meter.Position(), 3);
    EXPECT_EQ(meter.Min(), 0);
    EXPECT_EQ(meter.Max(), 10);
    EXPECT_EQ(cell, 3);
    EXPECT_EQ(calls, 0);
}

TEST(LCDmeterTest, BindingClampsSilentlyAndMovesAreStoredAndTold) {
    TqvLCDmeter meter;
    meter.SetMax(12);
    int calls = 0;
    meter.OnValueChanged = [&] { ++calls; };
    int cell = 20;
    meter.Bind(&cell);
    EXPECT_EQ(meter.Position(), 12);
    EXPECT_EQ(cell, 12);
    int low = -4;
    meter.Bind(&low);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(calls, 0);

    meter.SetPosition(7);
    EXPECT_EQ(low, 7);
    EXPECT_EQ(calls, 1);
    meter.SetPosition(7);
    EXPECT_EQ(calls, 1);
    meter.SetMax(5); // the position follows the range
    EXPECT_EQ(low, 5);
    EXPECT_EQ(calls, 2);

    meter.Bind(nullptr);
    meter.SetPosition(1);
    EXPECT_EQ(low, 5);
}

// The pips take the palette's colours: the highlight lit, a quarter of the way from the base to
// the highlight unlit, on the base.
TEST(LCDmeterTest, PipSizeOneDrawsSinglePixelsTwoApart) {
    TqvLCDmeter meter;
    QPalette colours = meter.palette();
    colours.setColor(QPalette::Highlight, QColor(0, 255, 255));
    colours.setColor(QPalette::Base, QColor(Qt::black));
    meter.setPalette(colours);
    meter.SetPipSize(1);
    EXPECT_EQ(meter.PipSize(), 2);
    meter.resize(20, 100);
    meter.SetParams(10, 0, 10);
    const QImage image = meter.grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0, 255, 255));
    EXPECT_EQ(image.pixelColor(1, 0), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(0, 1), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(2, 2), QColor(0, 255, 255));
    EXPECT_EQ(image.pixelColor(19, 99), QColor(Qt::black));

    meter.SetPosition(0);
    EXPECT_EQ(meter.grab().toImage().pixelColor(18, 98), QColor(0, 63, 63));
    colours.setColor(QPalette::Highlight, QColor(200, 100, 40));
    meter.setPalette(colours); // another look: the meter follows at once
    EXPECT_EQ(meter.grab().toImage().pixelColor(18, 98), QColor(50, 25, 10));
    meter.SetDimColor(QColor(0, 0, 128)); // a colour set is kept whatever the palette
    EXPECT_EQ(meter.grab().toImage().pixelColor(18, 98), QColor(0, 0, 128));
}

namespace {
class RecordingMeter : public TqvLCDmeter {
public:
    QRegion Painted;

protected:
    void paintEvent(QPaintEvent* event) override {
        Painted += event->region();
        TqvLCDmeter::paintEvent(event);
    }
};
} // namespace

TEST(LCDmeterTest, AMoveRepaintsOnlyThePipsThatChanged) {
    RecordingMeter meter;
    meter.resize(30, 100);
    meter.SetParams(6, 0, 12);
    ShowAndFocus(meter);
    meter.Painted = QRegion();

    meter.SetPosition(7); // 16 lit pips become 19: pips 14..16 change
    ASSERT_TRUE(PumpUntil([&] { return !meter.Painted.isEmpty(); }));
    EXPECT_EQ(meter.Painted.boundingRect(), QRect(0, 14 * 3, 30, 3 * 3));
}

// A meter as tall as its most pips: a move repaints up to the last pip and no further.
TEST(LCDmeterTest, AMeterWithItsMostPipsMovesWithinThem) {
    TqvLCDmeter meter;
    meter.SetPipSize(2);
    meter.resize(20, 2 * TqvLCDmeter::kMaxPips + 40);
    meter.SetParams(0, 0, 10);
    meter.show();
    ASSERT_EQ(meter.PipCount(), TqvLCDmeter::kMaxPips);
    for (const int position : {10, 3, 0})
        meter.SetPosition(position);
    EXPECT_FALSE(meter.PipLit(0));
    EXPECT_FALSE(meter.PipLit(TqvLCDmeter::kMaxPips - 1));
}
