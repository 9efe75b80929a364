#include "ui/dialogs.h"

WindowPlace centred_place(int screen_width, int screen_height, int width, int height) {
    WindowPlace place;
    place.width = width > screen_width ? screen_width : width;
    place.height = height > screen_height ? screen_height : height;
    place.x = (screen_width - place.width) / 2;
    place.y = (screen_height - place.height) / 2;
    if (place.x < 0)
        place.x = 0;
    if (place.y < 0)
        place.y = 0;
    return place;
}
