#include "LabelDesignScreen.h"

#include "CodePage.h"
#include "Common.h"
#include "DesignLogic.h"
#include "DesignerFrame.h"
#include "GBarcode.h"
#include "LabelDialogs.h"
#include "LayoutDialogs.h"
#include "OutlineArt.h"
#include "ProgramDir.h"
#include "SystemTables.h"
#include "Table.h"

#include <QApplication>
#include <QBuffer>
#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <stdexcept>

namespace addrova::labels {

using layout::TGLabelPanel;

namespace {

constexpr int kSheetMargin = 16;
constexpr const char* kClassName = "TLabelDesignScreen";
constexpr int kDefaultCodePage = 1252;

// The tool pictures, drawn small and plain.
QIcon toolIcon(int state) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    auto text = [&](const QString& t) { p.drawText(QRect(0, 0, 24, 24), Qt::AlignCenter, t); };
    switch (state) {
    case TGLabelPanel::psPointing: {
        QPainterPath arrow;
        arrow.moveTo(7, 3);
        arrow.lineTo(7, 19);
        arrow.lineTo(11, 15);
        arrow.lineTo(14, 21);
        arrow.lineTo(16, 20);
        arrow.lineTo(13, 14);
        arrow.lineTo(18, 14);
        arrow.closeSubpath();
        p.setBrush(Qt::white);
        p.drawPath(arrow);
        break;
    }
    case TGLabelPanel::psLabel: f.setPixelSize(16); p.setFont(f); text(QStringLiteral("A")); break;
    case TGLabelPanel::psCounterLabel: text(QStringLiteral("123")); break;
    case TGLabelPanel::psSymbolLabel: f.setPixelSize(15); p.setFont(f); text(QString(QChar(0x03A9))); break;
    case TGLabelPanel::psDataLabel:
        p.drawRect(2, 6, 20, 12);
        text(QStringLiteral("F"));
        break;
    case TGLabelPanel::psMultiLineLabel:
        for (int y : {6, 10, 14, 18}) p.drawLine(4, y, y == 18 ? 13 : 20, y);
        break;
    case TGLabelPanel::psMultiLineDataLabel:
        p.drawRect(2, 3, 20, 18);
        for (int y : {8, 12, 16}) p.drawLine(5, y, 19, y);
        break;
    case TGLabelPanel::psAddressLabel:
        p.drawRect(1, 5, 22, 15);
        p.drawLine(1, 5, 12, 13);
        p.drawLine(23, 5, 12, 13);
        break;
    case TGLabelPanel::psRectangle: p.drawRect(3, 6, 18, 12); break;
    case TGLabelPanel::psEllipse: p.drawEllipse(3, 5, 18, 14); break;
    case TGLabelPanel::psRoundRectangle: p.drawRoundedRect(3, 6, 18, 12, 4, 4); break;
    case TGLabelPanel::psLine: p.drawLine(5, 19, 19, 5); break;
    case TGLabelPanel::psImage: {
        p.drawRect(2, 4, 20, 16);
        QPainterPath hill;
        hill.moveTo(3, 19);
        hill.lineTo(9, 11);
        hill.lineTo(13, 16);
        hill.lineTo(16, 13);
        hill.lineTo(21, 19);
        hill.closeSubpath();
        p.setBrush(Qt::darkGray);
        p.drawPath(hill);
        p.drawEllipse(15, 6, 4, 4);
        break;
    }
    case TGLabelPanel::psPostNetBarCode:
        p.setPen(QPen(Qt::black, 1.4));
        for (int i = 0; i < 9; ++i) {
            int x = 3 + i * 2;
            bool full = i == 0 || i == 8 || i % 3 == 1;
            p.drawLine(x, full ? 7 : 12, x, 17);
        }
        break;
    case TGLabelPanel::psIMBarCode:
        // Four-state bars: full, ascender, descender, tracker.
        p.setPen(QPen(Qt::black, 1.4));
        for (int i = 0; i < 9; ++i) {
            const int x = 3 + i * 2, kind = (i * 7 + 3) % 4;
            p.drawLine(x, kind == 0 || kind == 1 ? 6 : 10, x, kind == 0 || kind == 2 ? 18 : 14);
        }
        break;
    default: break;
    }
    p.end();
    return QIcon(pm);
}

}  // namespace

TLabelDesignScreen::TLabelDesignScreen(const LabelDesignerContext& context)
    : QDialog(context.parent), context_(context) {
    setObjectName(QLatin1String(kClassName));
    setWindowTitle(QStringLiteral("Label Design Screen"));
    if (context_.sysdataDir.empty()) context_.sysdataDir = app::SysdataDir();
    setup_ = NewLabelSetup();

    // The design area: the panel on a grey sheet that scrolls.
    area_ = new QScrollArea(this);
    area_->setWidgetResizable(false);
    area_->setBackgroundRole(QPalette::Dark);
    sheet_ = new QWidget;
    sheet_->setAutoFillBackground(true);
    QPalette pal = sheet_->palette();
    pal.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    sheet_->setPalette(pal);
    panel_ = new layout::TGLabelPanel(sheet_);
    panel_->setObjectName(QStringLiteral("LabelPanel"));
    panel_->setOwner(this);
    panel_->setPpi(layout::ScreenPpi());
    panel_->move(kSheetMargin, kSheetMargin);
    panel_->resize(labelPixels(setup_.lblWidth, setup_.lblHeight, panel_->ppi()));
    area_->setWidget(sheet_);
    if (context_.records) {
        panel_->setRecords(context_.records);
    } else if (context_.address) {
        ownRecords_ = std::make_unique<layout::TableRecordSource>(*context_.address);
        panel_->setRecords(ownRecords_.get());
    }
    panel_->setDefinitionTable(context_.layouts);
    panel_->installEventFilter(this);
    panel_->SelectionFrame()->installEventFilter(this);

    // The tool bar: placing tools, toggles, record buttons, zoom.
    auto* bar = new QHBoxLayout;
    bar->setSpacing(2);
    toolGroup_ = new QButtonGroup(this);
    toolGroup_->setExclusive(true);
    const char* hints[] = {"Selection tool",
                           "Text tool",
                           "Counter tool",
                           "Symbol tool",
                           "Database Field tool",
                           "Multi-line text tool",
                           "Database Memo Field tool",
                           "Database Mailing Address tool",
                           "Rectangle tool",
                           "Ellipse tool",
                           "Round Rectangle tool",
                           "Line Tool",
                           "Clip Art Tool",
                           "Postnet Barcode tool",
                           "Intelligent Mail Barcode tool"};
    for (int s = 0; s < 15; ++s) {
        tools_[static_cast<size_t>(s)] = makeTool(s, QString::fromLatin1(hints[s]));
        bar->addWidget(tools_[static_cast<size_t>(s)]);
        if (s == 0 || s == 7 || s == 12) bar->addSpacing(8);
    }
    tools_[0]->setChecked(true);
    bar->addSpacing(12);
    showGrid_ = layout::MakeDesignerToggle(this, QStringLiteral("Show grid"), QStringLiteral("#"));
    snap_ = layout::MakeDesignerToggle(this, QStringLiteral("Snap to Grid"), QStringLiteral("Snap"));
    showArt_ = layout::MakeDesignerToggle(this, QStringLiteral("Show art"), QStringLiteral("Art"));
    fieldNames_ = layout::MakeDesignerToggle(this, QStringLiteral("Toggle display of field names or field values"),
                                             QStringLiteral("{ab}"));
    for (QToolButton* b : {showGrid_, snap_, showArt_, fieldNames_}) bar->addWidget(b);
    showArt_->setEnabled(false);
    bar->addSpacing(12);
    layout::DesignerFrame frame;
    frame.EndToolBar(this, bar);
    frame.Arrange(this, bar, area_, QStringLiteral("Change Layout"));
    first_ = frame.first;
    prior_ = frame.prior;
    next_ = frame.next;
    last_ = frame.last;
    zoomUp_ = frame.zoomUp;
    zoomDown_ = frame.zoomDown;
    zoomLabel_ = frame.zoomLabel;
    description_ = frame.description;
    stock_ = frame.size;
    changeLayout_ = frame.change;
    font_ = frame.font;
    save_ = frame.save;
    cancel_ = frame.cancel;
    leftLabel_ = frame.left;
    topLabel_ = frame.top;
    resize(900, 520);

    // The default font of new text objects, from the settings.
    panel_->setPanelFont(readDefaultFont(app::Settings()));
    font_->setText(defaultFontCaption(panel_->panelFont()));

    connect(toolGroup_, &QButtonGroup::idClicked, this, &TLabelDesignScreen::ToolClick);
    connect(showGrid_, &QToolButton::toggled, panel_, &layout::TGBasePanel::setShowGrid);
    connect(snap_, &QToolButton::toggled, panel_, &layout::TGBasePanel::setSnapToGrid);
    connect(showArt_, &QToolButton::clicked, this, &TLabelDesignScreen::ShowArtClick);
    connect(fieldNames_, &QToolButton::toggled, this, [this](bool down) { panel_->setDisplayDataValues(!down); });
    connect(first_, &QToolButton::clicked, this, &TLabelDesignScreen::FirstClick);
    connect(prior_, &QToolButton::clicked, this, &TLabelDesignScreen::PriorClick);
    connect(next_, &QToolButton::clicked, this, &TLabelDesignScreen::NextClick);
    connect(last_, &QToolButton::clicked, this, &TLabelDesignScreen::LastClick);
    connect(zoomUp_, &QToolButton::clicked, this, &TLabelDesignScreen::ZoomIn);
    connect(zoomDown_, &QToolButton::clicked, this, &TLabelDesignScreen::ZoomOut);
    connect(changeLayout_, &QPushButton::clicked, this, &TLabelDesignScreen::ChangeLayoutClick);
    connect(font_, &QPushButton::clicked, this, &TLabelDesignScreen::DefaultFontClick);
    connect(save_, &QPushButton::clicked, this, &TLabelDesignScreen::SaveClick);
    connect(cancel_, &QPushButton::clicked, this, &TLabelDesignScreen::CancelClick);
    connect(description_, &QLineEdit::textEdited, this, &TLabelDesignScreen::ShowSave);
    connect(panel_, &layout::TGBasePanel::LabelChangedEvent, this, &TLabelDesignScreen::PanelChanged);
    connect(panel_, &layout::TGBasePanel::DroppedObjectEvent, this, &TLabelDesignScreen::DroppedObject);

    watchKeys(this);
    layoutDesignArea();
}

TLabelDesignScreen::~TLabelDesignScreen() = default;

QToolButton* TLabelDesignScreen::makeTool(int state, const QString& hint) {
    auto* b = new QToolButton(this);
    b->setCheckable(true);
    b->setAutoRaise(true);
    b->setToolTip(hint);
    b->setIcon(toolIcon(state));
    b->setIconSize(QSize(24, 24));
    toolGroup_->addButton(b, state);
    return b;
}

void TLabelDesignScreen::watchKeys(QWidget* w) {
    for (QWidget* c : w->findChildren<QWidget*>())
        if (c != description_) c->installEventFilter(this);
}

// ---------------------------------------------------------------------------------------------
// The caller's side

void TLabelDesignScreen::SetLayout(const LabelSetup& setup, bool isNew) {
    setup_ = setup;
    isNew_ = isNew;
    int cp = context_.layouts && context_.layouts->isOpen() ? context_.layouts->codePage() : kDefaultCodePage;
    description_->setText(QString::fromStdString(store::toUtf8(setup.descript, cp)));
}

LabelSetup TLabelDesignScreen::Layout() const {
    LabelSetup s = setup_;
    int cp = context_.layouts && context_.layouts->isOpen() ? context_.layouts->codePage() : kDefaultCodePage;
    std::string d = store::fromUtf8(description_->text().toStdString(), cp);
    if (d.size() > 50) d.resize(50);
    s.descript = d;
    return s;
}

bool TLabelDesignScreen::Execute() { return exec() == QDialog::Accepted; }

void TLabelDesignScreen::done(int r) {
    ui::SavePlacement(this, QLatin1String(kClassName));
    QDialog::done(r);
}

// ---------------------------------------------------------------------------------------------
// Activation

void TLabelDesignScreen::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!activated_) {
        activated_ = true;
        QMetaObject::invokeMethod(this, &TLabelDesignScreen::FormActivate, Qt::QueuedConnection);
    }
}

void TLabelDesignScreen::FormActivate() {
    ui::RestorePlacement(this, QLatin1String(kClassName));
    ApplyGeometry();
    ShowStock();
    panel_->show();
    EnableArt();
    DrawArt();
    save_->hide();
    updating_ = false;
    if (isNew_) {
        QSize s = panel_->size();
        panel_->setPanelState(TGLabelPanel::psAddressLabel);
        panel_->PlaceObject(QRect(QPoint(5, 5), QPoint(s.width() - 10 - 1, s.height() - 10 - 1)));
        panel_->setPanelState(TGLabelPanel::psPointing);
        tools_[0]->setChecked(true);
        panel_->SelectAll();
        ui::ShowInfo(QString::fromLatin1(kNewLabelMessage));
    }
    // The block a new layout starts with shows Save but is not the user's change to lose.
    changed_ = false;
    panel_->setFocus();
}

void TLabelDesignScreen::ApplyGeometry() {
    QSize want = labelPixels(setup_.lblWidth, setup_.lblHeight, panel_->ppi());
    if (want == appliedSize_ && setup_.lblShape == appliedShape_) return;
    float zoom = panel_->zoomFactor();
    if (zoom != 1.0f) panel_->SetZoom(1.0f);
    panel_->resize(want);
    panel_->setShape(shapeFromCode(setup_.lblShape));
    appliedSize_ = want;
    appliedShape_ = setup_.lblShape;
    if (zoom != 1.0f) panel_->SetZoom(zoom);
    layoutDesignArea();
}

void TLabelDesignScreen::ShowStock() {
    int cp = context_.layouts && context_.layouts->isOpen() ? context_.layouts->codePage() : kDefaultCodePage;
    stock_->setText(QString::fromStdString(store::toUtf8(stockReadout(setup_), cp)));
}

void TLabelDesignScreen::EnableArt() {
    bool has = !setup_.art.empty();
    showArt_->setEnabled(has);
    showArt_->setChecked(has);
}

void TLabelDesignScreen::ShowArtClick() { DrawArt(); }

void TLabelDesignScreen::DrawArt() {
    if (showArt_->isChecked() && !setup_.art.empty()) {
        float z = panel_->zoomFactor();
        QSize label(static_cast<int>(panel_->width() / z), static_cast<int>(panel_->height() / z));
        QImage picture = outlineBitmap(artResourceName(setup_.art), panel_->ppi());
        // A name the program holds no picture for shows the bare outline of the stock.
        if (picture.isNull()) picture = drawOutline(label, shapeFromCode(setup_.lblShape), ArtFeature::Plain, panel_->ppi());
        QByteArray bmp;
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        silverArt(picture, label).save(&buffer, "BMP");
        panel_->picture().loadBytes(bmp);
    } else {
        panel_->picture().clear();
    }
    panel_->update();
}

void TLabelDesignScreen::layoutDesignArea() {
    sheet_->resize(panel_->width() + 2 * kSheetMargin, panel_->height() + 2 * kSheetMargin);
}

// ---------------------------------------------------------------------------------------------
// Changes and Save

void TLabelDesignScreen::ShowSave() {
    if (updating_) return;
    changed_ = true;
    save_->show();
}

void TLabelDesignScreen::PanelChanged() { ShowSave(); }

void TLabelDesignScreen::SaveClick() {
    panel_->setPanelState(TGLabelPanel::psPointing);
    tools_[0]->setChecked(true);
    panel_->SelectionFrame()->clearSelection();
    // The caller stores the panel: at 100 % its objects hold their exact geometry.
    if (panel_->zoomFactor() != 1.0f) ZoomTo(100);
    setup_ = Layout();
    accept();
}

void TLabelDesignScreen::CancelClick() { reject(); }

void TLabelDesignScreen::reject() {
    if (changed_ && isVisible()) {
        switch (ui::AskYesNoCancel(QString::fromLatin1(kUnsavedQuestion), QString::fromLatin1(kUnsavedCaption))) {
        case ui::Answer::Yes: SaveClick(); return;
        case ui::Answer::Cancel: return;
        case ui::Answer::No: break;
        }
    }
    QDialog::reject();
}

// ---------------------------------------------------------------------------------------------
// Tools

void TLabelDesignScreen::ToolClick(int state) {
    if (state == TGLabelPanel::psPostNetBarCode) {
        PostNetClick();
        return;
    }
    if (state == TGLabelPanel::psIMBarCode && setup_.lblWidth < kImbMinWidth) {
        ui::ShowInfo(QString::fromLatin1(kImbRefused));
        tools_[TGLabelPanel::psIMBarCode]->setChecked(false);
        tools_[0]->setChecked(true);
        panel_->setPanelState(TGLabelPanel::psPointing);
        return;
    }
    tools_.at(static_cast<size_t>(state))->setChecked(true);
    panel_->setPanelState(state);
}

void TLabelDesignScreen::PostNetClick() {
    if (!postnetFits(setup_.lblWidth)) {
        ui::ShowInfo(QString::fromLatin1(kPostnetRefused));
        tools_[TGLabelPanel::psPostNetBarCode]->setChecked(false);
        tools_[0]->setChecked(true);
        panel_->setPanelState(TGLabelPanel::psPointing);
        return;
    }
    tools_[TGLabelPanel::psPostNetBarCode]->setChecked(true);
    panel_->setPanelState(TGLabelPanel::psPostNetBarCode);
}

void TLabelDesignScreen::DroppedObject() {
    panel_->setPanelState(TGLabelPanel::psPointing);
    tools_[0]->setChecked(true);
}

// ---------------------------------------------------------------------------------------------
// Change Layout

void TLabelDesignScreen::ChangeLayoutClick() {
    bool artWasDown = showArt_->isChecked();
    TChooseLabelLayout::Choice choice = TChooseLabelLayout::Ask(this);
    if (choice == TChooseLabelLayout::Cancelled) return;
    bool changed = choice == TChooseLabelLayout::FromCatalogue ? catalogueChoice() : handEntry();
    if (!changed) return;
    panel_->ClampObjects();
    bool hasArt = !setup_.art.empty();
    showArt_->setEnabled(hasArt);
    if (artWasDown && hasArt) {
        showArt_->setChecked(true);
        DrawArt();
    }
    ShowStock();
    if (!postnetFits(setup_.lblWidth)) {
        for (layout::TGGraphicControl* o : panel_->objects())
            if (qobject_cast<layout::TGPostNetBarCode*>(o)) {
                ui::ShowInfo(QString::fromLatin1(kPostnetRemoved));
                panel_->ObjectDelete(o);
                break;
            }
    }
}

bool TLabelDesignScreen::catalogueChoice() {
    store::Table stock;
    std::string problem = store::openSystemTable(store::SystemTable::LabelStock, stock, context_.sysdataDir);
    if (!problem.empty()) {
        ui::ShowInfo(QStringLiteral("Unable to Open LBLTPL.DBF"));
        return false;
    }
    TSelectLabel select(stock, setup_.tplDescrip, setup_.printer, setup_.manufac, setup_.prodType, false, this);
    if (select.exec() != QDialog::Accepted) return false;
    TakeStock(setup_, stock);
    ApplyGeometry();
    EnableArt();
    DrawArt();
    ShowSave();
    return true;
}

bool TLabelDesignScreen::handEntry() {
    TLabelEdit edit(this);
    edit.setValues({setup_.geometry(), setup_.paperSize, setup_.lblShape});
    if (edit.exec() != QDialog::Accepted) return false;
    const LabelEditValues& v = edit.values();
    takeHandEntry(setup_, v.geometry, v.paperSize, v.lblShape);
    ApplyGeometry();
    showArt_->setChecked(false);
    showArt_->setEnabled(false);
    DrawArt();
    ShowSave();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Records

void TLabelDesignScreen::FirstClick() { MoveRecord(0); }
void TLabelDesignScreen::PriorClick() { MoveRecord(1); }
void TLabelDesignScreen::NextClick() { MoveRecord(2); }
void TLabelDesignScreen::LastClick() { MoveRecord(3); }

void TLabelDesignScreen::updateRecordButtons(bool atStart, bool atEnd) {
    first_->setEnabled(!atStart);
    prior_->setEnabled(!atStart);
    next_->setEnabled(!atEnd);
    last_->setEnabled(!atEnd);
}

void TLabelDesignScreen::MoveRecord(int how) {
    store::Table* t = context_.address;
    if (!t || !t->isOpen()) return;
    try {
        switch (how) {
        case 0:
            t->goTop();
            updateRecordButtons(true, false);
            break;
        case 1: {
            bool moved = t->skip(-1);
            updateRecordButtons(!moved, false);
            break;
        }
        case 2: {
            // Past the last record the table stays on the last one.
            bool moved = t->skip(1) && !t->eof();
            if (!moved) t->goBottom();
            updateRecordButtons(false, !moved);
            break;
        }
        default:
            t->goBottom();
            updateRecordButtons(false, true);
            break;
        }
    } catch (const std::exception& e) {
        ui::ShowError(QString::fromLocal8Bit(e.what()));
        return;
    }
    panel_->RefreshData();
    if (how == 0) panel_->ResetCounters();
    else panel_->AdvanceCounters();
    panel_->update();
}

// ---------------------------------------------------------------------------------------------
// Zoom

bool TLabelDesignScreen::ZoomIn() {
    int now = static_cast<int>(std::lround(panel_->zoomFactor() * 100.0));
    int to = zoomStep(now, 1);
    if (to == now) return false;
    ZoomTo(to);
    return true;
}

bool TLabelDesignScreen::ZoomOut() {
    int now = static_cast<int>(std::lround(panel_->zoomFactor() * 100.0));
    int to = zoomStep(now, -1);
    if (to == now) return false;
    ZoomTo(to);
    return true;
}

void TLabelDesignScreen::ZoomTo(int percent) {
    bool was = updating_;
    updating_ = true;
    panel_->SelectionFrame()->clearSelection();
    panel_->SetZoom(static_cast<float>(percent) / 100.0f);
    zoomLabel_->setText(zoomCaption(panel_->zoomFactor()));
    layoutDesignArea();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    updating_ = was;
}

// ---------------------------------------------------------------------------------------------
// Default font

void TLabelDesignScreen::DefaultFontClick() {
    if (std::optional<layout::LayoutFont> f = layout::chooseLayoutFont(panel_->panelFont(), this)) ApplyDefaultFont(*f);
}

void TLabelDesignScreen::ApplyDefaultFont(const layout::LayoutFont& f) {
    panel_->setPanelFont(f);
    try {
        app::ProfileFile settings = app::Settings();
        writeDefaultFont(settings, f);
    } catch (const std::exception& e) {
        ui::ShowError(QString::fromLocal8Bit(e.what()));
    }
    font_->setText(defaultFontCaption(f));
}

// ---------------------------------------------------------------------------------------------
// Mouse and keys

void TLabelDesignScreen::ShowPosition(QPoint panelPos) {
    // Positions read in inches of the label, whatever the zoom.
    double z = panel_->zoomFactor();
    QPoint at = panelPos;
    layout::TGHandle* frame = panel_->SelectionFrame();
    if (frame->count() > 0) at = frame->geometry().topLeft();
    leftLabel_->setText(QStringLiteral("Left: ") + inchText(at.x() / z, panel_->ppi()));
    topLabel_->setText(QStringLiteral("Top: ") + inchText(at.y() / z, panel_->ppi()));
}

bool TLabelDesignScreen::eventFilter(QObject* watched, QEvent* e) {
    if (watched == panel_ && e->type() == QEvent::Resize) layoutDesignArea();
    if (e->type() == QEvent::MouseMove) {
        auto* me = static_cast<QMouseEvent*>(e);
        if (watched == panel_) ShowPosition(me->position().toPoint());
        else if (watched == panel_->SelectionFrame())
            ShowPosition(panel_->SelectionFrame()->mapToParent(me->position().toPoint()));
    }
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return QDialog::eventFilter(watched, e);
    if (watched == description_ || !isAncestorOf(qobject_cast<QWidget*>(watched))) return false;
    auto* ke = static_cast<QKeyEvent*>(e);
    bool keypad = ke->modifiers() & Qt::KeypadModifier;
    if (keypad && (ke->key() == Qt::Key_Plus || ke->key() == Qt::Key_Minus)) {
        if (e->type() == QEvent::KeyRelease) {
            if (ke->key() == Qt::Key_Plus) ZoomIn();
            else ZoomOut();
        }
        return true;
    }
    if (e->type() == QEvent::KeyPress) {
        QScrollBar* v = area_->verticalScrollBar();
        switch (ke->key()) {
        case Qt::Key_PageUp: v->triggerAction(QAbstractSlider::SliderSingleStepSub); return true;
        case Qt::Key_PageDown: v->triggerAction(QAbstractSlider::SliderSingleStepAdd); return true;
        case Qt::Key_Home: v->setValue(v->minimum()); return true;
        case Qt::Key_End: v->setValue(v->maximum()); return true;
        default: break;
        }
    }
    // Every other key is the panel's; on the panel itself its own handler takes it.
    if (watched == panel_ || watched == panel_->SelectionFrame()) return false;
    if (e->type() == QEvent::KeyPress) {
        ke->setAccepted(false);
        panel_->PanelKeyDown(ke);
        return ke->isAccepted();
    }
    panel_->PanelKeyUp(ke);
    return false;
}

void RegisterTheLabelDesigner() {
    RegisterLabelDesigner(
        [](const LabelDesignerContext& c) -> std::unique_ptr<LabelDesigner> { return std::make_unique<TLabelDesignScreen>(c); });
}

}  // namespace addrova::labels
