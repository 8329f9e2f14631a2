// The handset's arithmetic without a screen: which part of the four-way volume control a point hits, the
// volume steps, the cells of the track strip and where a picture goes in the strip.
#pragma once

#include <QRect>
#include <QSize>

enum TFourWayPart { fwNone, fwCentre, fwUp, fwDown, fwLeft, fwRight };

// The part of the 30 x 30 control under (X, Y); the centre wins over the arrows, then up, down, left, right.
TFourWayPart FourWayHitTest(int X, int Y);

constexpr int VolumeStep = 653;
constexpr int VolumeMax = 65535;
int VolumeIncreased(int Volume);
int VolumeDecreased(int Volume);

// Track strip cells: 12 x 12 pixels, 8 to a row, track 1 at the top left.
constexpr int TrackCellSize = 12;
constexpr int TrackCellsPerRow = 8;
// The track number a click at (X, Y) of the strip asks for (may be beyond the disc's last track).
int TrackAtPoint(int X, int Y);
// The area of Track's cell that is cleared before its number is written (11 x 12 pixels).
QRect TrackCellRect(int Track);

// Where a picture of size Picture is shown inside a strip panel of size Panel: scaled down until it
// fills the panel's inner area in both directions (stretched in the direction that is then cut),
// a smaller picture at its own size, centred.
QRect PictureRect(QSize Picture, QSize Panel);
