// A core file with a Qt header: the layer check must refuse it.
#include <QImage>
