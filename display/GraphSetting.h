#pragma once

#include <array>
#include <optional>

#include "display/GraphState.h"
#include "record/Document.h"

// The Y scale choices of the Setting dialog and what Graph Setting does with
// them, without widgets.

// The entries of the "Maxinum" and "Mininum" lists, index 0 first. Entry i of
// the maximum list is the value after entry i of the minimum list.
inline constexpr std::array<const char*, 10> kSettingMaximumEntries = {
    "-1000", "-500", "-50", "-5", "0", "5", "50", "500", "1000", "5000"};
inline constexpr std::array<const char*, 10> kSettingMinimumEntries = {
    "-5000", "-1000", "-500", "-50", "-5", "0", "5", "50", "500", "1000"};

inline constexpr const char* kSettingSelectionTip = "The Maxinum should large than the Mininum";

// The manual Y scale a view keeps: the selected entries of the two lists.
// A new view starts at "500" and "-500".
struct GraphManualScale {
    int maximumSelection = 7;
    int minimumSelection = 2;
    bool operator==(const GraphManualScale&) const = default;
};

// The numbers of an accepted pair of list selections.
struct SettingScaleValues {
    double maximum = 0.0;
    double minimum = 0.0;
    bool operator==(const SettingScaleValues&) const = default;
};

// The selection check: a maximum index below the minimum index (or an index
// off either list) is refused; otherwise the two entries as whole numbers.
std::optional<SettingScaleValues> CheckScaleSelection(int maximumIndex, int minimumIndex);

// The Y range Graph Setting sets after OK, or nothing when it only repaints:
// the dialog's minimum above its maximum, or automatic scale for a document
// that has no extremes yet. Manual: the dialog's maximum and minimum.
// Automatic: the document's extremes widened by a tenth of their distance
// (0.01 when they are equal).
std::optional<GraphYRange> GraphSettingYRange(bool autoScale, const SettingScaleValues& values,
                                              const DocumentSummary& summary);
