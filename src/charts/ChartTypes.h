#pragma once

namespace blowden {

// Axis layout of both chart panels:
//   xtNone   no axis lines
//   xtCent0  a vertical and a horizontal line through the middle of the plot
//   xtQuad1  the plot's left and bottom edges
//   xtQuad2  the plot's right and bottom edges
enum TAxisType { xtNone, xtCent0, xtQuad1, xtQuad2 };

// Bevel of a panel's border. A panel with any bevel loses one pixel of its
// width and height to it (the bevel width); a panel with bvNone loses none.
enum TBevelCut { bvNone, bvLowered, bvRaised };

// Pen styles of lines and marker outlines; psClear draws nothing.
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };

}  // namespace blowden
