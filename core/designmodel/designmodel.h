#pragma once

#include "core/carrier/carrierinputs.h"
#include "core/carrier/operatingpoint.h"
#include "core/files/designfile.h"
#include "core/measured/measuredcurves.h"
#include "core/network/analysis.h"
#include "core/network/valuelists.h"
#include "core/tolerance/tolerance.h"

#include <QFlags>
#include <QObject>

#include <memory>

// What a change of the design touched.
enum class DesignPart : unsigned {
    FilterL = 0x1,
    FilterC = 0x2,
    ZobelCPar = 0x4,
    ZobelR = 0x8,
    ZobelCSer = 0x10,
    SpeakerR = 0x20,
    SpeakerL = 0x40,
    Topology = 0x80,
    LoadPower = 0x100,
    Carrier = 0x200,
    MeasuredSpeaker = 0x400,
    Reference = 0x800,
    Parts = 0x1000,  // the real parts attached to the design's slots
};
Q_DECLARE_FLAGS(DesignParts, DesignPart)
Q_DECLARE_OPERATORS_FOR_FLAGS(DesignParts)

// The inputs of the network itself, which move every curve of the design.
inline constexpr DesignParts kNetworkParts =
    DesignParts(DesignPart::FilterL) | DesignPart::FilterC | DesignPart::ZobelCPar |
    DesignPart::ZobelR | DesignPart::ZobelCSer | DesignPart::SpeakerR | DesignPart::SpeakerL |
    DesignPart::Topology | DesignPart::Parts;

// The part a list selector sets.
DesignPart designPart(ListSelector s);

// What an input's entry rule made of a text.
struct Verdict {
    enum Kind {
        Accepted,  // the design holds it (perhaps unchanged)
        Pending,   // not a value yet, but typing on can make one: kept as the text shown
        Refused,   // the design is as it was; reason says why in one sentence
    };
    Kind kind = Refused;
    QString reason;
};

// A design held to compare with, worked out once at its own load power.
struct HeldReference {
    DesignInputs inputs;
    DesignAnalysis analysis;
};

// Fig. 2 and Fig. 3 of the design as it works at its load power, with the inductance and the
// capacitance of that operating point (operatingpoint.h): the inductor at its peak current (audio
// and the carrier's ripple where the carrier is worked out, the audio peak otherwise). Each with
// its corner with the speaker (Fig. 2's without the Zobel network) and its figures.
struct LoadPowerCurves {
    OperatingPoint point;
    Curve gain, gainZobel;
    GainFigures gainFigures, gainZobelFigures;
    Resonance plainCorner, zobelCorner;    // with the speaker, at the load power
    Resonance plainNominal, zobelNominal;  // the same of the design's own curves
};

// The one design of the program: every input, each set through its entry rule, the analysis of
// the whole design at its load power worked out once per change, a measured speaker in place of
// the design's resistance and inductance, and a design held as the reference. Every window reads
// the design here and writes its edits here; changed() tells them what moved.
class DesignModel : public QObject
{
    Q_OBJECT

public:
    explicit DesignModel(QObject *parent = nullptr);
    ~DesignModel() override;

    // The inputs as the windows show them: the speaker inductance's text may be one on its way to
    // a value (a lone "."); its value is the last one taken.
    const DesignRecord &record() const { return m_record; }
    // The design as a file or an undo step keeps it: every text the last one taken.
    DesignInputs inputs() const;
    // Every curve and figure of the design, at the load power.
    const DesignAnalysis &analysis() const { return m_analysis; }

    double loadPower() const { return m_loadPower; }
    // The load power's text as its box shows it, perhaps on its way to a value.
    const QString &loadPowerText() const { return m_loadPowerText; }

    // The measured speaker while one is loaded, else null; its grid and curves with the design's
    // filter and Zobel network (the gains at the compared grid points), and the Zobel resistor's
    // dissipation it causes at the load power.
    const std::shared_ptr<const MeasuredLoad> &measured() const { return m_measured; }
    const MeasuredGrid *measuredGrid() const;
    const MeasuredCurves *measuredCurves() const;
    const PowerCurve *measuredDissipation() const;

    // The design held as the reference, else null.
    const HeldReference *reference() const { return m_reference.get(); }

    // The switching carrier's figures of the design (with the measured speaker while one is
    // loaded, and the ratings the carrier inputs give) while its supply and switching frequency
    // are given, else null.
    const CarrierAnalysis *carrierAnalysis() const { return m_carrier ? &*m_carrier : nullptr; }

    // The design at its load power while one of its parts has a saturation or bias curve,
    // else null.
    const LoadPowerCurves *atLoadPower() const { return m_atLoadPower.get(); }

    // The tolerance bands and spread of the design as it now stands, else null. Whoever works them
    // out asks for the generation first and hands it back with the result: a result for a design
    // that has changed since is refused. Every change the figures depend on drops them.
    const ToleranceResult *tolerance() const { return m_tolerance.get(); }
    quint64 toleranceGeneration() const { return m_toleranceGeneration; }
    bool setTolerance(std::shared_ptr<const ToleranceResult> result, quint64 generation);
    void clearTolerance();

    // The parts library whose values the selectors list after their own items.
    const PartsLibrary &library() const { return m_library; }
    void setLibrary(PartsLibrary library);

    // The inputs, each through its entry rule. A text already held changes nothing.
    Verdict setListText(ListSelector s, const QString &text);
    Verdict setSpeakerLText(const QString &text);
    Verdict setLoadPowerText(const QString &text);
    void setFullBridge(bool full);
    // Attaches a part to its slot, the slot's selector taking the part's value, or makes the slot
    // ideal: empty when its selector shows one of its own items, else a part of that value and
    // nothing more. Refused for a part of another kind than the slot takes.
    Verdict setPart(PartSlot slot, std::optional<Part> part);
    // Carrier inputs that the carrier window's rules have already taken.
    void setCarrierInputs(const CarrierInputs &inputs);
    // A speaker read from its file, or none.
    void setMeasured(std::shared_ptr<const MeasuredLoad> load);
    // A whole design at once (opened, new, undone), with the speaker its loadFile names already
    // read (null: none). One change.
    void apply(const DesignInputs &design, std::shared_ptr<const MeasuredLoad> measured);

    void holdReference(const DesignInputs &design);
    void clearReference();

signals:
    // Every change of the design, at once, before the analysis: for work in the background that
    // the change makes useless.
    void changing(DesignParts parts);
    // After every change, with the analysis already worked out.
    void changed(DesignParts parts);
    // After changed() has reached every observer: the design as every window now shows it.
    void settled();
    // The library changed: the selectors' items with it.
    void libraryChanged();
    // Tolerance bands were set or cleared outside a change of the design.
    void toleranceChanged();

private:
    void update(DesignParts parts);
    // A typed text through its rule: shown is what the box shows, taken the last text accepted,
    // value the number it stands for. Refused without a reason; the caller gives it.
    Verdict takeTyped(const EntryRule &rule, const QString &text, QString &shown, QString &taken,
                      double &value, DesignPart part);
    void replaceMeasured(std::shared_ptr<const MeasuredLoad> load);
    // Whether a filter part has a curve, and so the design a second operating point.
    bool hasLoadPowerCurves() const;
    void followLoadPower();

    DesignRecord m_record = DesignRecord::startup();
    QString m_takenSpeakerL = m_record.speaker_l_valtxt;  // the last speaker inductance taken
    double m_loadPower = 50.0;
    QString m_loadPowerText = QStringLiteral("50");
    QString m_takenLoadPower = m_loadPowerText;
    DesignAnalysis m_analysis;

    struct Measured;
    std::shared_ptr<const MeasuredLoad> m_measured;
    std::unique_ptr<Measured> m_measuredCurves;
    std::unique_ptr<HeldReference> m_reference;
    std::optional<CarrierAnalysis> m_carrier;
    std::unique_ptr<LoadPowerCurves> m_atLoadPower;
    PartsLibrary m_library;
    std::shared_ptr<const ToleranceResult> m_tolerance;
    quint64 m_toleranceGeneration = 0;
};
