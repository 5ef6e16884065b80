#pragma once

// TGLabelObjectFiler: writes and reads layouts, the object clipboard and clones.

#include "GGraphc.h"

#include <QString>
#include <functional>
#include <vector>

namespace addrova::layout {

// Class registry. A reader creates only registered classes; registration lasts for the program.
enum class PanelKind { Label, Envelope, Report };
void registerPanelClasses(PanelKind kind);
bool classRegistered(const QString& className);
// Creates an object of a known class (registered or not), or null.
TGGraphicControl* createLayoutObject(const QString& className, QObject* parent);
// Forgets every registration (tests only).
void clearClassRegistry();

struct ReadOptions {
    int offset = 0;    // added to Left and Top of every object read (pasting: 15)
    int ppi = 96;      // the reading screen's resolution, for font heights
    int codePage = 1252;
};

class TGLabelObjectFiler {
public:
    // Encodes one object list (objects bottom of the z-order first) at the saving screen's ppi.
    static QByteArray encodeList(const std::vector<TGGraphicControl*>& objects, int ppi = 96, int codePage = 1252);
    static void writeList(StreamWriter& w, const std::vector<TGGraphicControl*>& objects, int ppi);
    static void writeObject(StreamWriter& w, const TGGraphicControl& object, int ppi);
    // Reads one object list into parent; names come from owner's components. Objects read before a
    // failure stay; the failure is thrown as LayoutStreamError.
    static std::vector<TGGraphicControl*> readList(StreamReader& r, QObject* owner, QObject* parent,
                                                   const ReadOptions& opts = {});
    static std::vector<TGGraphicControl*> decodeList(const QByteArray& data, QObject* owner, QObject* parent,
                                                     const ReadOptions& opts = {});

    // File operations. Writes replace the file; errors throw LayoutStreamError with the reason.
    static void SaveObjects(const QObject* panel, const QString& path, int ppi = 96);
    static std::vector<TGGraphicControl*> LoadObjects(QObject* owner, QObject* panel, const QString& path,
                                                      int ppi = 96);
    // Nothing is written when the selection is empty.
    static void SaveSelection(const std::vector<TGGraphicControl*>& selection, const QString& path, int ppi = 96);
    static void SaveObject(const TGGraphicControl* object, const QString& path, int ppi = 96);
    static std::vector<TGGraphicControl*> PasteObjects(QObject* owner, QObject* panel, const QString& path,
                                                       int ppi = 96);
    static TGGraphicControl* CloneObject(const TGGraphicControl* object, QObject* owner, QObject* parent,
                                         int ppi = 96);

    using SettingsWriter = std::function<void(StreamWriter&)>;
    using SettingsReader = std::function<void(StreamReader&)>;
    static void SaveReportLayout(const QObject* header, const QObject* detail, const QObject* footer,
                                 const QString& path, const SettingsWriter& settings, int ppi = 96);
    static void LoadReportLayout(QObject* owner, QObject* header, QObject* detail, QObject* footer,
                                 const QString& path, const SettingsReader& settings, int ppi = 96);
};

}  // namespace addrova::layout
