// Umbrella header: every public class of the ShapeExport library.
#pragma once

#include <kor/math/BBox.h>
#include <kor/math/Mat.h>
#include <kor/math/Vec.h>

#include <kor/ShapeExport/ConvexMerge.h>
#include <kor/ShapeExport/CrossSection.h>
#include <kor/ShapeExport/CrossSections.h>
#include <kor/ShapeExport/Loop.h>
#include <kor/ShapeExport/LoopChecks.h>
#include <kor/ShapeExport/ReadCrossSections.h>
#include <kor/ShapeExport/Vertex.h>

#include <kor/ShapeExport/EndPlane.h>
#include <kor/ShapeExport/ExtrudedSection.h>
#include <kor/ShapeExport/Extrusion.h>
#include <kor/ShapeExport/Matrix.h>
#include <kor/ShapeExport/Position.h>
#include <kor/ShapeExport/Profile.h>

#include <kor/ShapeExport/Mesh.h>
#include <kor/ShapeExport/WeldPositions.h>

#include <kor/ShapeExport/AcisGeometry.h>
