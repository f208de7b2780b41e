// Stands in for the side pane's advertisement page until that pane exists.

#include "Unit1.h"

void TfrmMorvane::ShowAdsPage() {}
