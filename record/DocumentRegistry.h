#pragma once

#include <algorithm>
#include <vector>

#include "record/Document.h"

// The open documents in creation order: what the dispatch, the Stop work and
// the meter-record routing walk. It owns nothing.
class CDocumentRegistry {
  public:
    void Add(CRoZudozuvDoc* document) { m_documents.push_back(document); }
    void Remove(const CRoZudozuvDoc* document) { std::erase(m_documents, document); }
    const std::vector<CRoZudozuvDoc*>& Documents() const { return m_documents; }

  private:
    std::vector<CRoZudozuvDoc*> m_documents;
};
