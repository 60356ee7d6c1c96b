// The built-in example of `shapeexport decompose`: four common steel profiles as one
// cross-section set, in millimetres.
#pragma once

namespace kor {
namespace ShapeExport {
namespace Tool {

// A cross-section document holding, in this order: an I-beam (IPE 200 without root
// fillets), a hollow rectangular tube 120 x 80 x 5 with rounded corners, a plate
// 300 x 160 with four bolt holes and a slot, and an L angle 100 x 75 x 8. Outlines run
// counter-clockwise, holes clockwise; hole index lists are stored reversed, as the
// document form keeps them.
const char* ExampleDocument();

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
