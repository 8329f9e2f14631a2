// The four small images of the catalogue browser's tree, drawn in code so that they stay crisp at any
// screen scale.
#pragma once

#include <QIcon>

// Image indexes, in the order the tree uses them.
enum TCatalogueImage {
    ciList,   // a group of discs
    ciDisc,   // a disc
    ciSound,  // a disc with a recorded sample
    ciOrphan, // a disc record waiting for its disc
};

QIcon CatalogueImage(TCatalogueImage Image);
