#include "app/LiveDocuments.h"

#include <QApplication>
#include <algorithm>
#include <optional>

#include "app/ChildFrame.h"
#include "app/DocumentManager.h"
#include "app/DocumentWindows.h"
#include "app/MqttPublishing.h"
#include "record/LongLogText.h"

CLiveDocuments::CLiveDocuments(Sources sources, QObject* parent)
    : QObject(parent), m_sources(std::move(sources)) {}

CRoZudozuvDoc* CLiveDocuments::OpenNewDocument() {
    return &m_sources.documents.Create();
}

void CLiveDocuments::DownloadAdopted(CRoZudozuvDoc& document) {
    if (CChildFrame* child = m_sources.windows.WindowOf(&document)) {
        child->UpdateModified();
    }
}

void CLiveDocuments::RecordingContinued(CRoZudozuvDoc& full, CRoZudozuvDoc& next) {
    CChildFrame* fullChild = m_sources.windows.WindowOf(&full);
    CChildFrame* nextChild = m_sources.windows.WindowOf(&next);
    if (fullChild == nullptr || nextChild == nullptr) {
        return;
    }
    // The full one stays open with its journal, waiting to be saved.
    fullChild->UpdateModified();
    nextChild->View().ContinueLimitsFrom(fullChild->View());
    emit statusMessage(QString::fromStdString(RecordingContinuedText(
        fullChild->Title().toStdString(), nextChild->Title().toStdString())));
}

bool CLiveDocuments::Recording() const {
    if (!m_sources.session().IsRunning()) {
        return false;
    }
    for (CChildFrame* child : m_sources.windows.Children()) {
        if (child->Document().Role() == DocumentRole::Live) {
            return true;
        }
    }
    return false;
}

void CLiveDocuments::BeforeReceive() {
    m_bWasRunning = m_sources.session().IsRunning();
    m_liveBefore.clear();
    for (CChildFrame* child : m_sources.windows.Children()) {
        if (child->Document().Role() == DocumentRole::Live) {
            m_liveBefore.push_back(child);
        }
    }
}

void CLiveDocuments::AfterReceive() {
    const std::vector<CChildFrame*> children = m_sources.windows.Children();
    m_sources.mqtt.Follow(m_sources.session().Registry(), [&children](const CRoZudozuvDoc& doc) {
        for (CChildFrame* child : children) {
            if (&child->Document() == &doc) {
                return child->View().GetLimits();
            }
        }
        return Limits{};
    });
    if (!m_bWasRunning || m_sources.session().IsRunning()) {
        return;
    }
    // A live document that reached its capacity stopped the recording: say
    // so, or it looks as if recording went on (the face keeps moving).
    static_assert(CRoZudozuvDoc::kLiveCapacity == 20000, "the text names the capacity");
    for (CChildFrame* child : m_liveBefore) {
        const bool stillOpen = std::find(children.begin(), children.end(), child) != children.end();
        if (stillOpen && child->Document().Role() != DocumentRole::Live &&
            child->Document().channels[0].size() >= CRoZudozuvDoc::kLiveCapacity) {
            emit recordingStopped(tr("Recording stopped: %1 is full. A document holds "
                                     "at most 20,000 readings.")
                                      .arg(child->Title()),
                                  true);
        }
    }
}

void CLiveDocuments::LimitCrossed(CChildFrame& child, LimitSide side, double value) {
    const Limits& limits = child.View().GetLimits();
    auto text = [](std::optional<double> limit) {
        return limit ? QString::number(*limit, 'g', 10).toStdString() : std::string();
    };
    const std::string crossing = CrossingText(ClockText(m_sources.clock.Now()), side, value,
                                              text(limits.high), text(limits.low));
    emit statusMessage(child.Title() + QStringLiteral(": ") + QString::fromStdString(crossing));
    if (side != LimitSide::Within) {
        QApplication::beep();
    }
}
