#include "input/stop_messages.h"

namespace gorvan {
namespace {

constexpr int kEmptyLinesBeforeCapacityTitle = 17;
constexpr int kEmptyLinesBeforeHalt = 10;
constexpr int kEmptyLinesBeforeBanner = 3;
constexpr std::string_view kHalted = "   PROGRAM HALTED";
constexpr std::string_view kBanner = "GORVAN ver. 4.1;   compiled in July 2011";

// The alert and the head shared by every "PROGRAM HALTED" message.
void WriteHaltHead(Console& console) {
  console.Alert();
  console.EndLines(kEmptyLinesBeforeHalt);
  console.Text(kHalted).EndLine();
}

}  // namespace

void WriteCapacityMessage(Console& console, std::string_view title, int limit) {
  console.EndLines(kEmptyLinesBeforeCapacityTitle);
  console.Text(title).EndLine();
  console.Text("  Maximum for this version is ").Int(limit).Text(".").EndLine();
}

void WriteFrequencySumMessage(Console& console, int locus) {
  WriteHaltHead(console);
  console.Text("   Allele frequencies do not sum to unity at Locus ").Int(locus, 2).EndLine();
}

void WriteUnsoundParameterMessage(Console& console, std::string_view reason) {
  WriteHaltHead(console);
  console.Text("   ").Text(reason).EndLine();
}

void WriteBanner(Console& console) {
  console.ClearScreen();
  console.EndLines(kEmptyLinesBeforeBanner);
  console.Text(kBanner).EndLine();
  console.EndLine();
}

}  // namespace gorvan
