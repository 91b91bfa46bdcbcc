#pragma once
// The members of the main dialog's placement group (OpChartPosition) that are no direction, for
// the dialog and for the hosts that choose a placement for a user.
namespace plotlet {

// Members 0 to 13 are the directions of the placement codes (see engine/Placement.h), 5 excepted.
inline constexpr int LastPlacementIndex = 13;
// Recreate only: each new chart where its old chart stood.
inline constexpr int OldPlacementIndex = 5;
// Recreate only: each new chart over the old chart of the same key on another graphics layer.
inline constexpr int OverOldChartsIndex = 14;

}  // namespace plotlet
