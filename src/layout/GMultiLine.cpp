#include "GMultiLine.h"

#include "LayoutDialogs.h"

#include <QAction>
#include <QFontMetrics>
#include <QMenu>
#include <QTextLayout>

namespace addrova::layout {

namespace {

// The font at the panel's resolution, whatever device measures it.
QFont atPpi(QFont f, int ppi) {
    f.setPixelSize(std::max(1, roundEven(f.pointSizeF() * ppi / 72.0)));
    return f;
}

QStringList splitLines(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t.split(QLatin1Char('\n'));
}

}  // namespace

QStringList wrapText(const QString& text, const QFont& font, int ppi, int width) {
    QStringList out;
    QFont f = atPpi(font, ppi);
    for (const QString& para : splitLines(text)) {
        if (para.isEmpty()) {
            out << QString();
            continue;
        }
        QTextLayout tl(para, f);
        QTextOption opt;
        opt.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        tl.setTextOption(opt);
        tl.beginLayout();
        for (;;) {
            QTextLine line = tl.createLine();
            if (!line.isValid()) break;
            line.setLineWidth(std::max(1, width));
        }
        tl.endLayout();
        for (int i = 0; i < tl.lineCount(); ++i) {
            QTextLine line = tl.lineAt(i);
            out << trimRightSpaces(para.mid(line.textStart(), line.textLength()));
        }
    }
    return out;
}

std::vector<PrintedLine> printedLines(const QStringList& lines, const std::vector<int>& widths, Alignment a, int L,
                                      int T, int R, int B, int lh, int k) {
    std::vector<PrintedLine> out;
    int y = T;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (y >= B) break;
        PrintedLine pl;
        pl.text = lines[i];
        pl.y = y;
        pl.bottom = std::min(y + lh, B);
        int t = static_cast<size_t>(i) < widths.size() ? widths[static_cast<size_t>(i)] : 0;
        if (a == Alignment::taRightJustify) pl.x = (R - L) - t - k;
        if (a == Alignment::taCenter) pl.x = (R - L) / 2 + k - t / 2;
        out.push_back(pl);
        y = pl.bottom;
    }
    return out;
}

namespace {
struct StopComposition {};
}  // namespace

QStringList composeAddress(const AddressSwitches& s, const std::function<std::optional<QString>(const char*)>& get) {
    QStringList lines;
    auto F = [&](const char* name) {
        std::optional<QString> v = get(name);
        if (!v) throw StopComposition{};
        return *v;
    };
    auto TL = trimLeftSpaces;
    auto add = [&](const QString& l) {
        if (!l.isEmpty()) lines << l;
    };
    const QString sp = QStringLiteral(" ");
    try {
        if (s.useName) {
            QString m = F("MIDDLE");
            if (!trimSpaces(m).isEmpty()) m += QLatin1Char('.');
            QString prefix = F("PREFIX"), first = F("FNAME"), last = F("LNAME");
            add(TL(prefix + sp) + TL(first + sp) + TL(m + sp) + TL(last + sp));
        }
        if (s.useTitle) add(F("TITLE"));
        if (s.useCompany) add(F("ORG"));
        if (s.useStreet) add(F("STREET"));
        if (s.useStreet2) add(F("STREET2"));
        bool zipWithCountry = s.zipOptions == ZipOptions::zoAfterCountry || s.zipOptions == ZipOptions::zoBeforeCountry;
        if (s.useCityState && s.useZip && s.zipOptions == ZipOptions::zoAfterState) {
            QString c = F("CITY"), st = F("STATE"), z = F("ZIP");
            QString line = TL(c + sp) + sp + TL(st + sp) + TL(z);
            if (!trimSpaces(line).isEmpty()) lines << line;
        } else if (s.useCityState && s.useZip && s.zipOptions == ZipOptions::zoBeforeCity) {
            QString z = F("ZIP"), c = F("CITY"), st = F("STATE");
            add(TL(z + sp) + TL(c + sp) + TL(st + sp));
        } else if (s.useCityState) {
            QString c = F("CITY"), st = F("STATE");
            add(TL(c + sp) + TL(st));
        } else if (s.useZip && !zipWithCountry) {
            add(TL(F("ZIP")));
        }
        if (s.useCountry && s.useZip && s.zipOptions == ZipOptions::zoAfterCountry) {
            QString k = F("COUNTRY"), z = F("ZIP");
            add(TL(k + sp) + TL(z));
        } else if (s.useCountry && s.useZip && s.zipOptions == ZipOptions::zoBeforeCountry) {
            QString z = F("ZIP"), k = F("COUNTRY");
            add(TL(z + sp) + TL(k));
        } else if (s.useCountry) {
            add(TL(F("COUNTRY")));
        } else if (s.useZip && zipWithCountry) {
            add(TL(F("ZIP")));
        }
        if (s.usePhone) add(F("PHONE"));
    } catch (const StopComposition&) {
    }
    if (s.upperCase)
        for (auto& l : lines) l = l.toUpper();
    return lines;
}

// ---------------------------------------------------------------------------------------------

TGMultiLineBaseLabel::TGMultiLineBaseLabel(QObject* parent) : TGGraphicControl(parent) {
    width_ = 190;
    height_ = 33;
}

void TGMultiLineBaseLabel::setItems(const QStringList& lines) {
    items_ = lines;
    repaint();
}

void TGMultiLineBaseLabel::setAlignment(Alignment a) {
    alignment_ = a;
    repaint();
}

void TGMultiLineBaseLabel::setFont(const LayoutFont& f) {
    font_ = f;
    repaint();
}

void TGMultiLineBaseLabel::setWordWrap(bool w) {
    if (w == wordWrap_) return;
    wordWrap_ = w;
    if (w) wrapLines();
    repaint();
    notifyChanged();
}

void TGMultiLineBaseLabel::wrapLines() {
    if (!wordWrap_) return;
    wrapped_ = wrapText(items_.join(QLatin1Char('\n')), font_.toQFont(zoom_), ppi(), width_);
    repaint();
}

void TGMultiLineBaseLabel::fitLines() {
    if (wordWrap_) wrapLines();
    QFont f = atPpi(font_.toQFont(zoom_), ppi());
    QFontMetrics fm(f);
    const QStringList& lines = drawnLines();
    int n = std::max<int>(1, static_cast<int>(lines.size()));
    int w = width_;
    for (const auto& l : lines) w = std::max(w, fm.horizontalAdvance(l));
    setBounds(left_, top_, w, n * fm.height());  // the height of "XXX", as painting steps
    repaint();
}

void TGMultiLineBaseLabel::boundsChanged() {
    if (wordWrap_ && !reading_) wrapLines();
    TGGraphicControl::boundsChanged();
}

void TGMultiLineBaseLabel::applyFont(const LayoutFont& f) {
    font_ = f;
    refreshData();
    if (wordWrap_) wrapLines();
}

void TGMultiLineBaseLabel::paint(QPainter& p) {
    QStringList lines = drawnLines();
    if (lines.isEmpty() || (lines.size() == 1 && trimSpaces(lines[0]).isEmpty()))
        lines = QStringList{isMemo_ ? QStringLiteral("<blank memo>") : QStringLiteral("<blank>")};
    QFont f = atPpi(font_.toQFont(zoom_), ppi());
    p.setFont(f);
    p.setPen(toQColor(font_.color));
    p.setBrush(Qt::NoBrush);
    QFontMetrics fm(f);
    int pitch = fm.height();
    p.save();
    p.setClipRect(QRect(0, 0, width_, height_), Qt::IntersectClip);
    int y = 0;
    for (const auto& line : lines) {
        int lw = fm.horizontalAdvance(line);
        int x = 0;
        if (alignment_ == Alignment::taRightJustify) x = width_ - lw - 1;
        if (alignment_ == Alignment::taCenter) x = width_ / 2 - lw / 2;
        p.drawText(QPointF(x, y + fm.ascent()), line);
        y += pitch;
    }
    p.restore();
}

void TGMultiLineBaseLabel::print(PrintSurface& s, double X, double Y) {
    const QStringList& lines = drawnLines();
    int dpiX = s.dpiX(), dpiY = s.dpiY();
    double p = ppi();
    int k = static_cast<int>(dpiX / p);
    s.setFont(font_.name, font_.size);
    s.setBold(font_.style & fsBold);
    s.setItalic(font_.style & fsItalic);
    s.setFontColor(font_.color);
    s.setFontRotation(0);
    int lh = roundEven(s.lineHeight() * dpiY);
    s.setBrush(clWhite, BrushStyle::bsClear);
    QRect box = s.toDevice(X + left_ / p, Y + top_ / p, X + (left_ + width_) / p, Y + (top_ + height_) / p);
    int L = box.left(), T = box.top(), R = box.right() + 1, B = box.bottom() + 1;
    std::vector<int> widths;
    for (const auto& l : lines) widths.push_back(roundEven(s.textWidth(l) * dpiX));
    for (const auto& pl : printedLines(lines, widths, alignment_, L, T, R, B, lh, k))
        s.textOut(X + left_ / p + static_cast<double>(pl.x) / dpiX, static_cast<double>(pl.y) / dpiY, pl.text,
                  QRect(L, pl.y, R - L, pl.bottom - pl.y));
}

void TGMultiLineBaseLabel::chooseFont() {
    if (auto f = chooseLayoutFont(font_)) {
        applyFont(*f);
        notifyChanged();
        repaint();
    }
}

void TGMultiLineBaseLabel::menuPopup() {
    const Alignment order[] = {Alignment::taLeftJustify, Alignment::taCenter, Alignment::taRightJustify};
    for (int i = 0; i < alignActions_.size() && i < 3; ++i) alignActions_[i]->setChecked(alignment_ == order[i]);
    if (wrapAction_) wrapAction_->setChecked(wordWrap_);
}

void TGMultiLineBaseLabel::addMenuItems(QMenu* m) {
    TGGraphicControl::addMenuItems(m);
    m->addSeparator();
    m->addAction(QStringLiteral("Font"), this, [this] { chooseFont(); });
    QMenu* a = m->addMenu(QStringLiteral("Alignment"));
    alignActions_.clear();
    const std::pair<const char*, Alignment> items[] = {
        {"Left", Alignment::taLeftJustify}, {"Center", Alignment::taCenter}, {"Right", Alignment::taRightJustify}};
    for (const auto& [text, al] : items) {
        Alignment v = al;
        QAction* act = a->addAction(QLatin1String(text), this, [this, v] {
            setAlignment(v);
            notifyChanged();
        });
        act->setCheckable(true);
        alignActions_ << act;
    }
}

void TGMultiLineBaseLabel::writeMultiLineSet(PropertyWriter& w) const {
    if (!items_.isEmpty()) {
        StreamWriter& s = w.stream();
        s.writeName(QStringLiteral("Items.Strings"));
        s.writeListBegin();
        for (const auto& l : items_) s.writeString(l);
        s.writeListEnd();
    }
    w.boolean("AutoSize", autoSize_);
    w.enumeration("Alignment", alignment_, Alignment::taLeftJustify);
    w.font(font_);
    if (wordWrap_) w.boolean("WordWrap", wordWrap_);
}

void TGMultiLineBaseLabel::writeProperties(PropertyWriter& w) const {
    TGGraphicControl::writeProperties(w);
    writeMultiLineSet(w);
}

PropKind TGMultiLineBaseLabel::propertyKind(const QString& path) const {
    if (path.startsWith(QLatin1String("Font."))) return fontPropertyKind(path.mid(5));
    if (path == QLatin1String("Items.Strings")) return PropKind::StringList;
    if (path.startsWith(QLatin1String("Items."))) return PropKind::None;
    static const std::pair<const char*, PropKind> props[] = {{"Items", PropKind::StringList},
                                                             {"AutoSize", PropKind::Boolean},
                                                             {"Alignment", PropKind::Enum},
                                                             {"Font", PropKind::String},
                                                             {"WordWrap", PropKind::Boolean}};
    QString head = path.section(QLatin1Char('.'), 0, 0);
    for (const auto& [n, k] : props)
        if (head == QLatin1String(n)) return head == path ? k : PropKind::BadPath;
    return TGGraphicControl::propertyKind(path);
}

bool TGMultiLineBaseLabel::assignProperty(const QString& path, const StreamValue& v, int ppi) {
    bool isBool = v.code == vaFalse || v.code == vaTrue;
    if (path.startsWith(QLatin1String("Font."))) return assignFontProperty(font_, path.mid(5), v, ppi);
    if (path == QLatin1String("Items.Strings")) return v.code == vaList && (setItems(v.items), true);
    if (path == QLatin1String("AutoSize")) return isBool && (autoSize_ = v.boolean(), true);
    if (path == QLatin1String("Alignment")) {
        Alignment a;
        return assignEnum(a, v) && (setAlignment(a), true);
    }
    if (path == QLatin1String("WordWrap")) return isBool && (setWordWrap(v.boolean()), true);
    if (path == QLatin1String("Items") || path == QLatin1String("Font")) return false;
    return TGGraphicControl::assignProperty(path, v, ppi);
}

// ---------------------------------------------------------------------------------------------

void TGMultiLineLabel::editText() {
    TMultiLineTextEditor dlg(items_, font_);
    if (dlg.exec() != QDialog::Accepted) return;
    setItems(dlg.lines());
    repaint();
    if (wordWrap_) wrapLines();
    notifyChanged();
}

void TGMultiLineLabel::addMenuItems(QMenu* m) {
    TGMultiLineBaseLabel::addMenuItems(m);
    m->addSeparator();
    m->addAction(QStringLiteral("Text"), this, [this] { editText(); });
    wrapAction_ = m->addAction(QStringLiteral("Word Wrap"));
    wrapAction_->setCheckable(true);
    connect(wrapAction_, &QAction::triggered, this, [this] { setWordWrap(!wordWrap_); });
}

// ---------------------------------------------------------------------------------------------

TGDMultiLineLabel::TGDMultiLineLabel(QObject* parent) : TGMultiLineBaseLabel(parent) { isMemo_ = true; }

void TGDMultiLineLabel::refreshData() {
    LayoutHost* h = host();
    RecordSource* rs = h ? h->records() : nullptr;
    bool isPrinting = h && h->printing();
    int field = -1;
    if (!dataFieldDescript_.isEmpty() && rs && rs->isOpen()) field = rs->fieldByLabel(dataFieldDescript_);
    items_.clear();
    if (!dataFieldDescript_.isEmpty() && field >= 0) {
        if ((h && h->displayDataValues()) || isPrinting) {
            if (!rs->memoEmpty(field)) {
                QString text = rs->memoText(field);
                items_ = wordWrap_ ? wrapText(text, font_.toQFont(zoom_), ppi(), width_) : splitLines(text);
            }
        } else {
            items_ << QLatin1Char('[') + dataFieldDescript_ + QLatin1Char(']');
        }
    } else if (!isPrinting) {
        items_ << QStringLiteral("<undefined memo>");
    }
    if (wordWrap_) wrapped_ = items_;
    if (!isPrinting) repaint();
}

void TGDMultiLineLabel::clearData() {
    items_.clear();
    wrapped_.clear();
}

void TGDMultiLineLabel::chooseField() {
    LayoutHost* h = host();
    if (ChooseDataField(h ? h->records() : nullptr, [](const RecordField& f) { return f.isMemo; }, dataFieldName_,
                        dataFieldDescript_))
        notifyChanged();
    if (h) h->refreshAll();
}

void TGDMultiLineLabel::addMenuItems(QMenu* m) {
    TGMultiLineBaseLabel::addMenuItems(m);
    m->addSeparator();
    m->addAction(QStringLiteral("Memo Field"), this, [this] { chooseField(); });
    wrapAction_ = m->addAction(QStringLiteral("Word Wrap"));
    wrapAction_->setCheckable(true);
    connect(wrapAction_, &QAction::triggered, this, [this] { setWordWrap(!wordWrap_); });
}

void TGDMultiLineLabel::writeProperties(PropertyWriter& w) const {
    TGMultiLineBaseLabel::writeProperties(w);
    w.string("DataFieldName", dataFieldName_);
    w.string("DataFieldDescript", dataFieldDescript_);
}

PropKind TGDMultiLineLabel::propertyKind(const QString& path) const {
    if (path == QLatin1String("DataFieldName") || path == QLatin1String("DataFieldDescript")) return PropKind::String;
    return TGMultiLineBaseLabel::propertyKind(path);
}

bool TGDMultiLineLabel::assignProperty(const QString& path, const StreamValue& v, int ppi) {
    bool isStr = v.code == vaString || v.code == vaLString;
    if (path == QLatin1String("DataFieldName")) return isStr && (dataFieldName_ = v.text, true);
    if (path == QLatin1String("DataFieldDescript")) return isStr && (dataFieldDescript_ = v.text, true);
    return TGMultiLineBaseLabel::assignProperty(path, v, ppi);
}

// ---------------------------------------------------------------------------------------------

void TGDMultiLineAddressLabel::refreshData() {
    LayoutHost* h = host();
    RecordSource* rs = h ? h->records() : nullptr;
    bool isPrinting = h && h->printing();
    items_.clear();
    if ((h && h->displayDataValues()) || isPrinting) {
        items_ = composeAddress(sw_, [rs](const char* name) -> std::optional<QString> {
            if (!rs || !rs->isOpen()) return std::nullopt;
            int i = rs->fieldByName(QLatin1String(name));
            if (i < 0) return std::nullopt;
            return rs->text(i);
        });
    } else {
        items_ << QStringLiteral("[Address Label]");
    }
    if (wordWrap_) wrapLines();
    if (!isPrinting) repaint();
}

void TGDMultiLineAddressLabel::clearData() {
    items_.clear();
    wrapped_.clear();
}

void TGDMultiLineAddressLabel::addressLayout() {
    TAddressLayout dlg(sw_);
    if (dlg.exec() != QDialog::Accepted) return;
    sw_ = dlg.switches();
    if (LayoutHost* h = host()) h->refreshAll();
    notifyChanged();
}

void TGDMultiLineAddressLabel::addMenuItems(QMenu* m) {
    TGMultiLineBaseLabel::addMenuItems(m);
    m->addSeparator();
    m->addAction(QStringLiteral("Address Layout"), this, [this] { addressLayout(); });
}

namespace {
struct Switch {
    const char* name;
    bool AddressSwitches::*member;
};
const Switch kSwitches[] = {{"UseName", &AddressSwitches::useName},       {"UseTitle", &AddressSwitches::useTitle},
                            {"UseCompany", &AddressSwitches::useCompany}, {"UseStreet", &AddressSwitches::useStreet},
                            {"UseStreet2", &AddressSwitches::useStreet2},
                            {"UseCityState", &AddressSwitches::useCityState}, {"UseZip", &AddressSwitches::useZip},
                            {"UsePhone", &AddressSwitches::usePhone},     {"UseCountry", &AddressSwitches::useCountry}};
}  // namespace

void TGDMultiLineAddressLabel::writeProperties(PropertyWriter& w) const {
    TGMultiLineBaseLabel::writeProperties(w);
    for (const auto& s : kSwitches) w.boolean(s.name, sw_.*(s.member));
    w.enumeration("ZipOptions", sw_.zipOptions);
    w.boolean("UpperCase", sw_.upperCase);
}

PropKind TGDMultiLineAddressLabel::propertyKind(const QString& path) const {
    for (const auto& s : kSwitches)
        if (path == QLatin1String(s.name)) return PropKind::Boolean;
    if (path == QLatin1String("ZipOptions")) return PropKind::Enum;
    if (path == QLatin1String("UpperCase")) return PropKind::Boolean;
    return TGMultiLineBaseLabel::propertyKind(path);
}

bool TGDMultiLineAddressLabel::assignProperty(const QString& path, const StreamValue& v, int ppi) {
    bool isBool = v.code == vaFalse || v.code == vaTrue;
    for (const auto& s : kSwitches)
        if (path == QLatin1String(s.name)) return isBool && ((sw_.*(s.member) = v.boolean()), true);
    if (path == QLatin1String("ZipOptions")) return assignEnum(sw_.zipOptions, v);
    if (path == QLatin1String("UpperCase")) return isBool && (sw_.upperCase = v.boolean(), true);
    return TGMultiLineBaseLabel::assignProperty(path, v, ppi);
}

}  // namespace addrova::layout
