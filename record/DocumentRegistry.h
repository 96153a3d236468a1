#pragma once

#include <algorithm>
#include <vector>

#include "record/RecordingTarget.h"

// The open documents' views in creation order: what the dispatch, the Stop
// work and the meter-record routing walk. It owns nothing.
class CDocumentRegistry {
  public:
    void Add(CRecordingTarget* view) { m_views.push_back(view); }
    void Remove(CRecordingTarget* view) { std::erase(m_views, view); }
    const std::vector<CRecordingTarget*>& Views() const { return m_views; }

  private:
    std::vector<CRecordingTarget*> m_views;
};
