#pragma once

// Placement rules of the document view, in pixels.

struct PaneRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PaneRect&) const = default;
};

// Where the graph, the data list and the summary go inside the view's client
// rectangle: 30 in from the left, 60 down from the top, 60 narrower and 80
// lower than the client area.
inline PaneRect PanePlacement(const PaneRect& client) {
    return PaneRect{client.x + 30, client.y + 60, client.width - 60, client.height - 80};
}

// Whether a row appended to the list is scrolled into view: only while the
// list shows its end, so a user who scrolled back is left where they are.
inline bool FollowsNewRow(int scrollValue, int scrollMaximum) {
    return scrollValue >= scrollMaximum;
}
