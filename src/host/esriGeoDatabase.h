#pragma once
// The host's geodatabase library (second generation): feature classes, fields, features,
// cursors and statistics, with the geometry and spatial references they carry.
#include "host/FeatureClass.h"
#include "host/Field.h"
#include "host/Feature.h"
#include "host/Geometry.h"
#include "host/SpatialReference.h"
