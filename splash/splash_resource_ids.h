// Resource ids of the splash window, for the resource script (splash.rc)
// and the code alike: the resource compiler reads the macros, the code the
// constants.
#ifndef TESSAROVEN_SPLASH_RESOURCE_IDS_H
#define TESSAROVEN_SPLASH_RESOURCE_IDS_H

#define TV_SPLASH_TEMPLATE 103  // the dialog template
#define TV_SPLASH_ICON 101      // the window's icon group
#define TV_SPLASH_PICTURE 134   // the picture, a bitmap

#ifndef RC_INVOKED
const int kSplashTemplateId = TV_SPLASH_TEMPLATE;
const int kSplashIconId = TV_SPLASH_ICON;
const int kSplashPictureId = TV_SPLASH_PICTURE;
#endif

#endif
