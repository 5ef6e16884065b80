// The concrete panels driven through the mouse and keys: placing, report band rules, the object
// clipboard, clone, the rubber band, zoomed saving, undo and redo, and a picture of a label panel.
#include "PanelFixture.h"

#include "GBarcode.h"
#include "GMultiLine.h"

#include <QDir>
#include <QFile>
#include <QMenu>

using namespace panels_test;

namespace {

template <class P> void placeByClick(P& panel, int state, QPoint at) {
    panel.setPanelState(state);
    DialogCanceller cancel;
    QTest::mouseClick(&panel, Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
    panel.setPanelState(0);
}

TGGraphicControl* only(const TGBasePanel& p) {
    auto all = p.objects();
    return all.size() == 1 ? all[0] : nullptr;
}

}  // namespace

struct ToolCase {
    int state;
    const char* className;
};

TEST_F(PanelTest, EveryLabelToolPlacesItsObjectAtTheClick) {
    const ToolCase cases[] = {
        {TGLabelPanel::psLabel, "TGPLabel"},
        {TGLabelPanel::psCounterLabel, "TGCounterLabel"},
        {TGLabelPanel::psSymbolLabel, "TGSymbolLabel"},
        {TGLabelPanel::psDataLabel, "TGPDLabel"},
        {TGLabelPanel::psMultiLineLabel, "TGMultiLineLabel"},
        {TGLabelPanel::psMultiLineDataLabel, "TGDMultiLineLabel"},
        {TGLabelPanel::psAddressLabel, "TGDMultiLineAddressLabel"},
        {TGLabelPanel::psRectangle, "TGLabelShapes"},
        {TGLabelPanel::psEllipse, "TGLabelShapes"},
        {TGLabelPanel::psRoundRectangle, "TGLabelShapes"},
        {TGLabelPanel::psLine, "TGLineShape"},
        {TGLabelPanel::psImage, "TGImage"},
        {TGLabelPanel::psPostNetBarCode, "TGPostNetBarCode"},
    };
    for (const ToolCase& c : cases) {
        auto panel = makePanel<TGLabelPanel>();
        QRect dropped;
        QObject::connect(panel.get(), &TGBasePanel::DroppedObjectEvent, [&](const QRect& r) { dropped = r; });
        placeByClick(*panel, c.state, QPoint(30, 40));
        TGGraphicControl* o = only(*panel);
        ASSERT_NE(o, nullptr) << c.className;
        EXPECT_STREQ(o->className(), c.className);
        EXPECT_EQ(o->left(), 30) << c.className;
        EXPECT_EQ(o->top(), 40) << c.className;
        EXPECT_EQ(o->name(), "Special1");
        EXPECT_EQ(dropped, QRect(30, 40, 0, 0)) << c.className;
        EXPECT_TRUE(panel->pointing());
    }
}

TEST_F(PanelTest, EveryEnvelopeAndReportToolPlacesItsObject) {
    const ToolCase envelope[] = {
        {TEnvelopePanel::psLabel, "TGPLabel"},           {TEnvelopePanel::psDataLabel, "TGPDLabel"},
        {TEnvelopePanel::psMultiLineLabel, "TGMultiLineLabel"},
        {TEnvelopePanel::psAddressLabel, "TGDMultiLineAddressLabel"},
        {TEnvelopePanel::psRectangle, "TGLabelShapes"},  {TEnvelopePanel::psEllipse, "TGLabelShapes"},
        {TEnvelopePanel::psRoundRectangle, "TGLabelShapes"}, {TEnvelopePanel::psLine, "TGLineShape"},
        {TEnvelopePanel::psImage, "TGImage"},            {TEnvelopePanel::psPostNetBarCode, "TGPostNetBarCode"},
        {TEnvelopePanel::psFIMBarCode, "TGFIMBarCode"},
    };
    for (const ToolCase& c : envelope) {
        auto panel = makePanel<TEnvelopePanel>(912, 396);
        placeByClick(*panel, c.state, QPoint(100, 60));
        TGGraphicControl* o = only(*panel);
        ASSERT_NE(o, nullptr) << c.className;
        EXPECT_STREQ(o->className(), c.className);
        EXPECT_EQ(o->bounds().topLeft(), QPoint(100, 60)) << c.className;
    }
    struct ReportCase {
        int state;
        ReportPanelKind band;
        const char* className;
    };
    const ReportCase report[] = {
        {TReportPanel::psLabel, ReportPanelKind::rpkHeader, "TGPLabel"},
        {TReportPanel::psDataLabel, ReportPanelKind::rpkDetail, "TGPDLabel"},
        {TReportPanel::psMultiLineDataLabel, ReportPanelKind::rpkMemo, "TGDMultiLineLabel"},
        {TReportPanel::psLine, ReportPanelKind::rpkFooter, "TGLineShape"},
        {TReportPanel::psImage, ReportPanelKind::rpkHeader, "TGImage"},
        {TReportPanel::psDateTime, ReportPanelKind::rpkFooter, "TGDateTimeLabel"},
        {TReportPanel::psPageNumber, ReportPanelKind::rpkHeader, "TGPageNumberLabel"},
        {TReportPanel::psSymbolLabel, ReportPanelKind::rpkDetail, "TGSymbolLabel"},
        {TReportPanel::psRectangle, ReportPanelKind::rpkDetail, "Trpshapes"},
        {TReportPanel::psEllipse, ReportPanelKind::rpkHeader, "Trpshapes"},
        {TReportPanel::psRoundRectangle, ReportPanelKind::rpkFooter, "Trpshapes"},
    };
    for (const ReportCase& c : report) {
        auto panel = makePanel<TReportPanel>(700, 60);
        panel->setPAnelKind(c.band);
        placeByClick(*panel, c.state, QPoint(10, 5));
        TGGraphicControl* o = only(*panel);
        ASSERT_NE(o, nullptr) << c.className;
        EXPECT_STREQ(o->className(), c.className);
        EXPECT_EQ(o->bounds().topLeft(), QPoint(10, 5));
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(PanelTest, ASingleClickPlacesAnObjectFiftyByFifteen) {
    auto panel = makePanel<TGLabelPanel>();
    placeByClick(*panel, TGLabelPanel::psRectangle, QPoint(120, 70));
    ASSERT_NE(only(*panel), nullptr);
    EXPECT_EQ(only(*panel)->bounds(), QRect(120, 70, 50, 15));

    // A dragged band keeps its size; a line takes its style from the panel kind.
    auto second = makePanel<TGLabelPanel>();
    second->setPanelState(TGLabelPanel::psLine);
    drag(second.get(), QPoint(150, 90), QPoint(40, 20));
    second->setPanelState(0);
    auto* line = qobject_cast<TGLineShape*>(only(*second));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->bounds(), QRect(40, 20, 110, 70));
    EXPECT_EQ(line->lineStyle(), LineStyle::stVertical);
}

TEST_F(PanelTest, PlacingToolsSetTheProgramCursor) {
    auto panel = makePanel<TGLabelPanel>();
    panel->setPanelState(TGLabelPanel::psEllipse);
    EXPECT_FALSE(panel->pointing());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->pixmap().cacheKey(), dragCursor().pixmap().cacheKey());
    panel->setPanelState(TGLabelPanel::psPointing);
    EXPECT_TRUE(panel->pointing());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(PanelTest, ReportBandsRefuseObjectsOfOtherBands) {
    struct Case {
        ReportPanelKind band;
        int state;
        const char* message;
    };
    const Case cases[] = {
        {ReportPanelKind::rpkHeader, TReportPanel::psDataLabel, "This object may only be used in the detail band"},
        {ReportPanelKind::rpkDetail, TReportPanel::psMultiLineDataLabel,
         "This object may only be used in the memo band"},
        {ReportPanelKind::rpkFooter, TReportPanel::psMultiLineDataLabel,
         "This object may only be used in the memo band"},
        {ReportPanelKind::rpkDetail, TReportPanel::psDateTime,
         "This object may only be used in the header or footer bands"},
        {ReportPanelKind::rpkMemo, TReportPanel::psPageNumber,
         "This object may only be used in the header or footer bands"},
        {ReportPanelKind::rpkFooter, TReportPanel::psImage, "This object may only be used in the header band"},
        {ReportPanelKind::rpkMemo, TReportPanel::psDataLabel, "This object may only be used in the detail band"},
    };
    for (const Case& c : cases) {
        auto panel = makePanel<TReportPanel>(700, 60);
        panel->setPAnelKind(c.band);
        int changes = 0;
        QObject::connect(panel.get(), &TGBasePanel::LabelChangedEvent, [&] { ++changes; });
        messages.clear();
        placeByClick(*panel, c.state, QPoint(10, 10));
        EXPECT_TRUE(panel->objects().empty()) << c.message;
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], c.message);
        EXPECT_EQ(changes, 0);
    }
}

TEST_F(PanelTest, ADisabledReportBandTakesNoPress) {
    auto panel = makePanel<TReportPanel>(700, 60);
    panel->setBandEnabled(false);
    placeByClick(*panel, TReportPanel::psRectangle, QPoint(10, 10));
    EXPECT_TRUE(panel->objects().empty());
    // A press on an object still raises the band's ControlMouseDownEvent.
    panel->setBandEnabled(true);
    auto* s = addShape(*panel, QRect(100, 10, 40, 20));
    int presses = 0;
    QObject::connect(panel.get(), &TReportPanel::ControlMouseDownEvent, [&] { ++presses; });
    QTest::mouseClick(panel.get(), Qt::LeftButton, {}, QPoint(110, 20));
    EXPECT_EQ(presses, 1);
    EXPECT_TRUE(panel->isSelected(s));
}

TEST_F(PanelTest, PasteTwiceWithinASecondPastesOnce) {
    auto panel = makePanel<TGLabelPanel>();
    auto* s = addShape(*panel, QRect(20, 30, 40, 20));
    QTest::mouseClick(panel.get(), Qt::LeftButton, {}, QPoint(30, 40));
    ASSERT_TRUE(panel->isSelected(s));
    QTest::keyClick(panel.get(), Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(QFile::exists(clipboard()));

    QTest::keyClick(panel.get(), Qt::Key_V, Qt::ControlModifier);
    now += 999;
    QTest::keyClick(panel.get(), Qt::Key_V, Qt::ControlModifier);
    auto all = panel->objects();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1]->bounds(), QRect(35, 45, 40, 20));
    EXPECT_FALSE(panel->isSelected(all[1]));  // pasting does not select

    now += 1;  // a second after the first paste
    QTest::keyClick(panel.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(panel->objects().size(), 3u);
}

TEST_F(PanelTest, CutDeleteAndTheClipboardSharedBetweenPanels) {
    auto panel = makePanel<TGLabelPanel>();
    auto* a = addShape(*panel, QRect(20, 30, 40, 20));
    addShape(*panel, QRect(200, 30, 40, 20));
    panel->SelectionFrame()->addObject(a);
    QTest::keyClick(panel.get(), Qt::Key_X, Qt::ControlModifier);
    settle();
    ASSERT_EQ(panel->objects().size(), 1u);
    EXPECT_EQ(panel->objects()[0]->left(), 200);
    EXPECT_EQ(panel->SelectionFrame()->count(), 0);
    EXPECT_FALSE(panel->SelectionFrame()->isVisible());

    auto other = makePanel<TEnvelopePanel>(912, 396);
    QTest::keyClick(other.get(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(other->objects().size(), 1u);
    EXPECT_EQ(other->objects()[0]->bounds(), QRect(35, 45, 40, 20));

    other->SelectAll();
    QTest::keyClick(other.get(), Qt::Key_Delete);
    EXPECT_TRUE(other->objects().empty());

    // Destroying a panel removes the clipboard file.
    other.reset();
    EXPECT_FALSE(QFile::exists(clipboard()));
}

TEST_F(PanelTest, CloneGoesTwentyFiveBelowAndTakesTheSelection) {
    auto panel = makePanel<TGLabelPanel>();
    auto* a = addShape(*panel, QRect(20, 30, 40, 20));
    auto* b = addShape(*panel, QRect(200, 30, 40, 20));
    panel->SelectionFrame()->addObject(a);
    TGGraphicControl* copy = panel->Clone(a);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->bounds(), QRect(20, 55, 40, 20));
    EXPECT_NE(copy->name(), a->name());
    auto all = panel->objects();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all.back(), copy);  // on top
    EXPECT_TRUE(panel->isSelected(copy));
    EXPECT_FALSE(panel->isSelected(a));
    // Cloning an unselected object leaves the selection alone.
    TGGraphicControl* second = panel->Clone(b);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->top(), 55);
    EXPECT_FALSE(panel->isSelected(second));
    EXPECT_TRUE(panel->isSelected(copy));
}

TEST_F(PanelTest, ShiftRubberBandTogglesTheSelection) {
    auto panel = makePanel<TGLabelPanel>();
    auto* a = addShape(*panel, QRect(20, 20, 40, 20));
    auto* b = addShape(*panel, QRect(100, 20, 40, 20));
    auto* c = addShape(*panel, QRect(300, 150, 40, 20));
    panel->SelectionFrame()->addObject(a);
    panel->SelectionFrame()->frameRelease(Qt::LeftButton, {});
    // A band from bare panel over a and b (touching counts: b's top edge is at 20).
    drag(panel.get(), QPoint(10, 5), QPoint(100, 20), 20, 200, Qt::ShiftModifier);
    EXPECT_FALSE(panel->isSelected(a));
    EXPECT_TRUE(panel->isSelected(b));
    EXPECT_FALSE(panel->isSelected(c));
    // Without Shift the band replaces the selection.
    drag(panel.get(), QPoint(395, 195), QPoint(290, 140));
    EXPECT_EQ(panel->SelectionFrame()->count(), 1);
    EXPECT_TRUE(panel->isSelected(c));
    // A click on the bare panel clears it.
    QTest::mouseClick(panel.get(), Qt::LeftButton, {}, QPoint(250, 100));
    EXPECT_EQ(panel->SelectionFrame()->count(), 0);
}

TEST_F(PanelTest, UnselectableObjectsAreSkippedAndPassPressesToThePanel) {
    auto panel = makePanel<TGLabelPanel>();
    auto* a = addShape(*panel, QRect(20, 20, 100, 60));
    a->setUnselectable(true);
    QTest::mouseClick(panel.get(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(panel->SelectionFrame()->count(), 0);
    panel->SelectAll();
    EXPECT_EQ(panel->SelectionFrame()->count(), 0);
    // A drag that starts on it is a rubber band that selects the objects it touches.
    auto* b = addShape(*panel, QRect(130, 30, 20, 20));
    drag(panel.get(), QPoint(60, 40), QPoint(140, 45));
    EXPECT_TRUE(panel->isSelected(b));
    EXPECT_EQ(a->bounds(), QRect(20, 20, 100, 60));
    panel->MarkAllSelectable(true);
    panel->SelectAll();
    EXPECT_EQ(panel->SelectionFrame()->count(), 2);
}

TEST_F(PanelTest, SaveAtHalfZoomStoresFullSizeAndShowsHalfAgain) {
    auto panel = makePanel<TGLabelPanel>(400, 200);
    addShape(*panel, QRect(100, 40, 60, 20));
    panel->SetZoom(0.5f);
    EXPECT_EQ(panel->size(), QSize(200, 100));
    EXPECT_EQ(panel->objects()[0]->bounds(), QRect(50, 20, 30, 10));

    panel->SaveToFile(file("BIN00001.L"));
    EXPECT_EQ(panel->zoomFactor(), 0.5f);
    EXPECT_EQ(panel->size(), QSize(200, 100));
    EXPECT_EQ(panel->objects()[0]->bounds(), QRect(50, 20, 30, 10));

    auto reader = makePanel<TGLabelPanel>(400, 200);
    reader->LoadFromFile(file("BIN00001.L"));
    ASSERT_EQ(reader->objects().size(), 1u);
    EXPECT_EQ(reader->objects()[0]->bounds(), QRect(100, 40, 60, 20));

    // A panel shown at 50 % loads the stored geometry at its zoom.
    auto zoomed = makePanel<TGLabelPanel>(400, 200);
    zoomed->SetZoom(0.5f);
    zoomed->LoadFromFile(file("BIN00001.L"));
    ASSERT_EQ(zoomed->objects().size(), 1u);
    EXPECT_EQ(zoomed->objects()[0]->bounds(), QRect(50, 20, 30, 10));

    // A missing file does nothing.
    reader->LoadFromFile(file("BIN99999.L"));
    EXPECT_EQ(reader->objects().size(), 1u);
}

TEST_F(PanelTest, UndoAndRedoAMove) {
    auto panel = makePanel<TGLabelPanel>();
    addShape(*panel, QRect(20, 30, 40, 20));
    settle();
    int changes = 0;
    QObject::connect(panel.get(), &TGBasePanel::LabelChangedEvent, [&] { ++changes; });
    drag(panel.get(), QPoint(30, 40), QPoint(80, 60));
    ASSERT_EQ(panel->objects()[0]->bounds(), QRect(70, 50, 40, 20));
    ASSERT_TRUE(panel->canUndo());

    changes = 0;
    QTest::keyClick(panel.get(), Qt::Key_Z, Qt::ControlModifier);
    settle();
    ASSERT_EQ(panel->objects().size(), 1u);
    EXPECT_EQ(panel->objects()[0]->bounds(), QRect(20, 30, 40, 20));
    EXPECT_GT(changes, 0);  // the layout counts as changed
    EXPECT_TRUE(panel->canRedo());

    QTest::keyClick(panel.get(), Qt::Key_Y, Qt::ControlModifier);
    settle();
    EXPECT_EQ(panel->objects()[0]->bounds(), QRect(70, 50, 40, 20));
    // Ctrl+Shift+Z redoes too.
    QTest::keyClick(panel.get(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(panel.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    settle();
    EXPECT_EQ(panel->objects()[0]->bounds(), QRect(70, 50, 40, 20));

    // Undo all the way back to the placement, and no further.
    QTest::keyClick(panel.get(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(panel.get(), Qt::Key_Z, Qt::ControlModifier);
    settle();
    EXPECT_TRUE(panel->objects().empty());
    EXPECT_FALSE(panel->Undo());
}

TEST_F(PanelTest, UndoRestoresDeletedObjectsAndKeepsTheZoom) {
    auto panel = makePanel<TGLabelPanel>(400, 200);
    addShape(*panel, QRect(100, 40, 60, 20));
    addShape(*panel, QRect(10, 10, 30, 30));
    settle();
    panel->SetZoom(0.5f);
    panel->SelectAll();
    QTest::keyClick(panel.get(), Qt::Key_Delete);
    settle();
    ASSERT_TRUE(panel->objects().empty());
    panel->SetZoom(1.0f);
    ASSERT_TRUE(panel->Undo());
    settle();
    auto all = panel->objects();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->bounds(), QRect(100, 40, 60, 20));
    EXPECT_EQ(all[1]->bounds(), QRect(10, 10, 30, 30));
    EXPECT_EQ(all[0]->zoom(), 1.0f);
}

TEST_F(PanelTest, AlignAndCentreMoveLockedObjectsToo) {
    auto panel = makePanel<TGLabelPanel>(400, 200);
    auto* a = addShape(*panel, QRect(50, 10, 40, 20));
    auto* b = addShape(*panel, QRect(80, 60, 60, 30));
    b->setLocked(true);
    panel->SelectAll();
    panel->AlignLefts();
    EXPECT_EQ(b->left(), 50);
    panel->AlignRights();
    EXPECT_EQ(a->left() + a->width(), 110);
    EXPECT_EQ(b->left() + b->width(), 110);
    panel->AlignBottoms();
    EXPECT_EQ(a->top() + a->height(), 90);
    panel->AlignTops();
    EXPECT_EQ(a->top(), 60);
    EXPECT_EQ(b->top(), 60);
    panel->CenterHorizontally();
    EXPECT_EQ(a->left(), 180);
    EXPECT_EQ(b->left(), 170);
    panel->CenterVertically();
    EXPECT_EQ(a->top(), 90);
    EXPECT_EQ(b->top(), 85);
}

TEST_F(PanelTest, StackingAndThePanelMenu) {
    auto panel = makePanel<TGLabelPanel>();
    auto* a = addShape(*panel, QRect(10, 10, 40, 20));
    auto* b = addShape(*panel, QRect(20, 20, 40, 20));
    auto* c = addShape(*panel, QRect(30, 30, 40, 20));
    QMenu* menu = panel->panelMenu();
    auto item = [menu](const char* text) {
        for (QAction* act : menu->actions())
            if (act->text() == QLatin1String(text)) return act;
        return static_cast<QAction*>(nullptr);
    };
    QStringList texts;
    for (QAction* act : menu->actions()) texts << (act->isSeparator() ? QStringLiteral("-") : act->text());
    EXPECT_EQ(texts.join(QLatin1Char('|')),
              "Bring To Front|Send To Back|-|Cut|Copy|Paste|-|Delete|-|Align Left|Align Right|Align Tops|"
              "Align Bottoms|-|Center Vertically|Center Horizontally|-|Lock All|Unlock All|-|Mark All Selectable|"
              "Mark All Unselectable|Select All|-|Font");
    emit menu->aboutToShow();
    EXPECT_FALSE(item("Bring To Front")->isEnabled());
    EXPECT_FALSE(item("Paste")->isEnabled());
    EXPECT_TRUE(item("Lock All")->isEnabled());

    panel->SelectionFrame()->addObject(a);
    emit menu->aboutToShow();
    EXPECT_TRUE(item("Font")->isEnabled());
    item("Bring To Front")->trigger();
    EXPECT_EQ(panel->objects().back(), a);

    panel->SelectionFrame()->addObject(c);
    item("Send To Back")->trigger();
    auto order = panel->objects();
    EXPECT_EQ(order, (std::vector<TGGraphicControl*>{c, a, b}));
    EXPECT_EQ(panel->SelectionFrame()->count(), 0);

    item("Lock All")->trigger();
    EXPECT_TRUE(a->locked() && b->locked() && c->locked());
    item("Unlock All")->trigger();
    EXPECT_FALSE(a->locked() || b->locked() || c->locked());
}

TEST_F(PanelTest, ClampAndPurge) {
    auto panel = makePanel<TGLabelPanel>(200, 100);
    auto* a = addShape(*panel, QRect(195, 95, 20, 20));
    auto* b = addShape(*panel, QRect(10, 10, 20, 20));
    panel->SelectionFrame()->addObject(b);
    panel->ClampObjects();
    EXPECT_EQ(a->bounds().topLeft(), QPoint(180, 90));
    EXPECT_EQ(panel->SelectionFrame()->count(), 0);
    a->setLeft(191);
    b->setWidth(0);
    panel->PurgeObjects();
    EXPECT_TRUE(panel->objects().empty());

    auto band = makePanel<TReportPanel>(300, 40);
    auto* c = addShape(*band, QRect(320, 45, 20, 20));
    auto* d = addShape(*band, QRect(305, 50, 20, 20));
    auto* e = addShape(*band, QRect(20, 10, 20, 20));
    e->setWidth(0);  // report bands do not check sizes
    band->ClampObjects();
    EXPECT_EQ(c->bounds().topLeft(), QPoint(300, 40));
    c->setTop(51);
    band->PurgeObjects();
    EXPECT_EQ(band->objects(), (std::vector<TGGraphicControl*>{d, e}));
}

TEST_F(PanelTest, UniqueNamesSkipTakenOnes) {
    auto panel = makePanel<TGLabelPanel>();
    auto* a = addShape(*panel, QRect(10, 10, 20, 20));
    auto* b = addShape(*panel, QRect(40, 10, 20, 20));
    EXPECT_EQ(a->name(), "Special1");
    EXPECT_EQ(b->name(), "Special2");
    a->setName(QStringLiteral("Other"));
    EXPECT_EQ(panel->UniqueName(QStringLiteral("Special")), "Special1");
    // AddObject keeps at least 10 x 15.
    auto* tiny = addShape(*panel, QRect(60, 60, 3, 4));
    EXPECT_EQ(tiny->bounds(), QRect(60, 60, 10, 15));
}

TEST_F(PanelTest, PictureOfALabelPanel) {
    auto panel = makePanel<TGLabelPanel>(384, 144);
    panel->setDrawOutline(true);
    panel->setShowGrid(true);
    auto* box = addShape(*panel, QRect(8, 8, 368, 128));
    box->setBrush(LayoutBrush{clWhite, BrushStyle::bsClear});
    box->setTransparent(true);
    auto* title = new TGPLabel(panel.get());
    title->setCaption(QStringLiteral("Addrova Mailing Labels"));
    LayoutFont f;
    f.size = 14;
    f.style = fsBold;
    title->setFont(f);
    title->loaded();
    panel->AddObject(title, QRect(24, 20, 10, 10));
    title->fitToText();
    auto* block = new TGMultiLineLabel(panel.get());
    block->setItems({QStringLiteral("Ms. Jane Doe"), QStringLiteral("12 Oak Street"),
                     QStringLiteral("Springfield, IL 62704")});
    block->loaded();
    panel->AddObject(block, QRect(24, 56, 220, 60));
    block->fitLines();
    auto* line = new TGLineShape(panel.get());
    line->loaded();
    panel->AddObject(line, QRect(24, 48, 330, 2));
    auto* ellipse = addShape(*panel, QRect(290, 60, 60, 50));
    ellipse->setShape(ShapeType::stEllipse);
    panel->SelectionFrame()->addObject(block);
    settle();
    QPixmap shot = panel->grab();
    EXPECT_EQ(shot.size(), QSize(384, 144));
    QImage img = shot.toImage();
    // The grid shows as green dots on the white panel; handles in black around the selection.
    EXPECT_EQ(img.pixelColor(3 + 160, 3 + 8 * 16), QColor(0, 0x80, 0));
    QRect b = block->bounds();
    EXPECT_EQ(img.pixelColor(b.x() - 1, b.y() - 1), QColor(Qt::black));
    QDir().mkpath(QStringLiteral(ADDROVA_SCREENSHOT_DIR));
    EXPECT_TRUE(shot.save(QStringLiteral(ADDROVA_SCREENSHOT_DIR "/label-panel.png")));
}
