#include "demo_catalog.h"

#include <iterator>

namespace zldb {
namespace {

const DemoFolder kFolders[] = {
    {"root", nullptr, "Model Library", "Modellbibliothek", "Sample models for circuit simulation",
     "Beispielmodelle f\xC3\xBCr die Schaltungssimulation"},
    {"diodes", "root", "Diodes", "Dioden", "Rectifier, switching and Schottky diodes",
     "Gleichrichter-, Schalt- und Schottky-Dioden"},
    {"zener", "diodes", "Zener diodes", "Z-Dioden", "Voltage reference diodes",
     "Dioden f\xC3\xBCr Referenzspannungen"},
    {"transistors", "root", "Transistors", "Transistoren", "Bipolar and field-effect transistors",
     "Bipolar- und Feldeffekttransistoren"},
    {"bjt", "transistors", "Bipolar transistors", "Bipolartransistoren", "NPN and PNP transistors",
     "NPN- und PNP-Transistoren"},
    {"mosfet", "transistors", "MOSFETs", "MOSFETs", "N- and P-channel MOSFETs",
     "N- und P-Kanal-MOSFETs"},
    {"opamps", "root", "Operational amplifiers", "Operationsverst\xC3\xA4rker",
     "Bipolar and JFET-input operational amplifiers",
     "Operationsverst\xC3\xA4rker mit Bipolar- und JFET-Eingang"},
    {"regulators", "root", "Voltage regulators", "Spannungsregler",
     "Fixed and adjustable linear regulators", "Feste und einstellbare Linearregler"},
    {"passive", "root", "Passive components", "Passive Bauelemente",
     "Resistors, capacitors, inductors and more",
     "Widerst\xC3\xA4nde, Kondensatoren, Spulen und mehr"},
    {"sources", "root", "Sources", "Quellen", "Independent voltage and current sources",
     "Unabh\xC3\xA4ngige Spannungs- und Stromquellen"},
};

const DemoModel kModels[] = {
    {"diodes", "1N4148", "Small-signal switching diode", "Kleinsignal-Schaltdiode",
     "100 V, 200 mA, 4 ns"},
    {"diodes", "1N4007", "Rectifier diode", "Gleichrichterdiode", "1000 V, 1 A"},
    {"diodes", "1N5819", "Schottky rectifier", "Schottky-Gleichrichter", "40 V, 1 A"},
    {"diodes", "BAT54", "Small-signal Schottky diode", "Kleinsignal-Schottky-Diode",
     "30 V, 200 mA"},
    {"diodes", "LED_RED", "Red light-emitting diode", "Rote Leuchtdiode", "1.8 V, 20 mA"},
    {"zener", "BZX55C3V3", "Zener diode 3.3 V", "Z-Diode 3,3 V", "3.3 V, 500 mW"},
    {"zener", "BZX55C5V1", "Zener diode 5.1 V", "Z-Diode 5,1 V", "5.1 V, 500 mW"},
    {"zener", "BZX55C12", "Zener diode 12 V", "Z-Diode 12 V", "12 V, 500 mW"},
    {"zener", "1N4733A", "Power Zener diode 5.1 V", "Leistungs-Z-Diode 5,1 V", "5.1 V, 1 W"},
    {"bjt", "BC547B", "General-purpose NPN transistor", "NPN-Universaltransistor",
     "45 V, 100 mA, hFE 200-450"},
    {"bjt", "BC557B", "General-purpose PNP transistor", "PNP-Universaltransistor",
     "-45 V, -100 mA, hFE 220-475"},
    {"bjt", "2N2222A", "NPN switching transistor", "NPN-Schalttransistor", "40 V, 600 mA"},
    {"bjt", "2N2907A", "PNP switching transistor", "PNP-Schalttransistor", "-60 V, -600 mA"},
    {"bjt", "2N3904", "Small-signal NPN transistor", "NPN-Kleinsignaltransistor", "40 V, 200 mA"},
    {"bjt", "2N3906", "Small-signal PNP transistor", "PNP-Kleinsignaltransistor", "-40 V, -200 mA"},
    {"bjt", "BD139", "Medium-power NPN transistor", "NPN-Transistor mittlerer Leistung",
     "80 V, 1.5 A"},
    {"bjt", "BD140", "Medium-power PNP transistor", "PNP-Transistor mittlerer Leistung",
     "-80 V, -1.5 A"},
    {"mosfet", "2N7000", "Small-signal N-channel MOSFET", "N-Kanal-Kleinsignal-MOSFET",
     "60 V, 200 mA"},
    {"mosfet", "BSS138", "Logic-level N-channel MOSFET", "N-Kanal-Logikpegel-MOSFET",
     "50 V, 220 mA"},
    {"mosfet", "IRF540N", "N-channel power MOSFET", "N-Kanal-Leistungs-MOSFET",
     "100 V, 33 A, 44 mOhm"},
    {"mosfet", "IRF9540N", "P-channel power MOSFET", "P-Kanal-Leistungs-MOSFET",
     "-100 V, -23 A, 117 mOhm"},
    {"mosfet", "IRLZ44N", "Logic-level power MOSFET", "Logikpegel-Leistungs-MOSFET",
     "55 V, 47 A, 22 mOhm"},
    {"opamps", "LM741", "General-purpose operational amplifier",
     "Universal-Operationsverst\xC3\xA4rker", "1 MHz, 0.5 V/us"},
    {"opamps", "TL071", "Low-noise JFET-input operational amplifier",
     "Rauscharmer Operationsverst\xC3\xA4rker mit JFET-Eingang", "3 MHz, 13 V/us"},
    {"opamps", "TL072", "Dual low-noise JFET-input operational amplifier",
     "Doppelter rauscharmer Operationsverst\xC3\xA4rker mit JFET-Eingang", "3 MHz, 13 V/us"},
    {"opamps", "NE5532", "Dual low-noise operational amplifier",
     "Doppelter rauscharmer Operationsverst\xC3\xA4rker", "10 MHz, 9 V/us"},
    {"opamps", "OP07", "Precision operational amplifier",
     "Pr\xC3\xA4zisions-Operationsverst\xC3\xA4rker", "75 uV offset, 0.6 MHz"},
    {"opamps", "LM358", "Dual single-supply operational amplifier",
     "Doppelter Operationsverst\xC3\xA4rker f\xC3\xBCr einfache Versorgung", "1 MHz, 3-32 V"},
    {"regulators", "LM7805", "Fixed 5 V regulator", "Festspannungsregler 5 V", "5 V, 1.5 A"},
    {"regulators", "LM7812", "Fixed 12 V regulator", "Festspannungsregler 12 V", "12 V, 1.5 A"},
    {"regulators", "LM317", "Adjustable positive regulator", "Einstellbarer Positivregler",
     "1.25-37 V, 1.5 A"},
    {"passive", "R", "Resistor", "Widerstand", "ideal, with temperature coefficients"},
    {"passive", "C", "Capacitor", "Kondensator", "ideal, with initial voltage"},
    {"passive", "L", "Inductor", "Spule", "ideal, with initial current"},
    {"passive", "XTAL", "Quartz crystal", "Schwingquarz", "series resonance, Q 10000"},
    {"passive", "TRAFO", "Transformer", "Transformator", "two windings, coupling 0.99"},
    {"sources", "VDC", "DC voltage source", "Gleichspannungsquelle", "constant voltage"},
    {"sources", "VSIN", "Sine voltage source", "Sinusspannungsquelle",
     "amplitude, frequency, phase"},
    {"sources", "VPULSE", "Pulse voltage source", "Pulsspannungsquelle",
     "levels, delay, rise, fall, width, period"},
    {"sources", "IDC", "DC current source", "Gleichstromquelle", "constant current"},
};

}  // namespace

const DemoFolder* DemoFolders(size_t& count) {
  count = std::size(kFolders);
  return kFolders;
}

const DemoModel* DemoModels(size_t& count) {
  count = std::size(kModels);
  return kModels;
}

}  // namespace zldb
