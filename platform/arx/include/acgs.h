// Graphics views as the database side sees them: the view class is only
// declared here (its members are in gs.h), with the calls that find a
// viewport's view and write a view back into the viewport. Host main thread
// only, like the host's own graphics system.
#pragma once

#include "adesk.h"

class AcGsView;

// The graphics view of viewport `viewportNumber`; with bCreateIfNone a
// missing one is made from the viewport's stored view. Null when there is
// none (or the world refuses views).
AcGsView* acgsGetGsView(int viewportNumber, bool bCreateIfNone);

// Writes the view's camera into the viewport's stored view (`view_saved`
// event). False for a null view.
Adesk::Boolean acgsSetViewParameters(int viewportNumber, const AcGsView* pView, bool bRegenRequired,
                                     bool bRescaleViewports, bool bSyncViewports = false);
