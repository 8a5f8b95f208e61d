/* Controller library of the device maker, as the plug-in calls it: seven
 * operations that talk to the driver daemon. POSIX stand-in backed by the
 * simulated daemon of qxv_ctrlr_control.h. Every operation may be called from
 * any thread; each returns 0 on success and a non-zero status on failure.
 *
 * On Windows the library is qxv_ctrlr_64.dll and the plug-in imports it by
 * ordinal (see qxv_ctrlr_64.def in the folder above):
 *   104 qxConnect            106 qxDisConnect        108 qxReadEvent
 *   110 qxGetAdvancedSettings 116 qxGetDevInfo       117 qxGetDevNum
 *   180 qxSetApplMode
 *
 * Contract:
 * - qxConnect signs the caller on with the daemon; it succeeds only while the
 *   daemon is reachable. Signing on again while signed on succeeds and keeps
 *   the sign-on.
 * - Every other operation needs a live sign-on and fails without one. The
 *   sign-on ends with qxDisConnect or when the daemon goes away.
 * - qxReadEvent waits until the daemon delivers an event for the sign-on and
 *   then takes exactly one, in the order the daemon sent them. qxDisConnect
 *   (from any thread) and the loss of the daemon make a waiting read return a
 *   failure; a qxDisConnect made while no read waits releases the next read
 *   instead, unless a new sign-on comes first. A read made without a live
 *   sign-on waits until there is one again (or until qxDisConnect); it never
 *   returns at once, so a reading loop does not spin.
 * - Events the daemon sends while nobody is signed on are lost.
 */
#ifndef QXV_CTRLR_H
#define QXV_CTRLR_H

#if defined(_WIN32) && defined(QXV_CTRLR_BUILDING)
#define QXV_CTRLR_API /* exported through qxv_ctrlr_64.def */
#elif defined(_WIN32)
#define QXV_CTRLR_API __declspec(dllimport)
#else
#define QXV_CTRLR_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Size of the device information block and offset of the device's name
 * (zero-terminated 8-bit text) in it. */
#define QX_DEV_INFO_SIZE 96
#define QX_DEV_INFO_NAME_OFFSET 20

/* Size of the advanced-settings block, offset of the rotation code (signed
 * 32-bit) and of the zoom-all-after-view switch (one byte, non-zero = on). */
#define QX_ADV_SETTINGS_SIZE 148
#define QX_ADV_ROTATION_CODE_OFFSET 132
#define QX_ADV_ZOOM_ALL_OFFSET 138

/* Signs on as application `appName` (8-bit text). `reserved` is 0. */
QXV_CTRLR_API int qxConnect(int reserved, const char* appName);

/* Ends the sign-on and releases a read that waits (see above). Fails when
 * there is no live sign-on, but releases the waiting read even then. */
QXV_CTRLR_API int qxDisConnect(void);

/* Waits for the next event. On success *eventCode holds the daemon's event
 * code; for a negative code (motion) the six axes hold the cap's translations
 * along X, Y, Z and rotations about X, Y, Z in raw device units. The four
 * further int out-parameters are set to 0; any out-pointer may be null.
 * `reserved` is 0. */
QXV_CTRLR_API int qxReadEvent(int reserved, short* tx, short* ty, short* tz, short* rx, short* ry,
                              short* rz, int* unused1, int* unused2, int* eventCode, int* unused3,
                              int* unused4);

/* Copies the daemon's advanced settings into `block148`
 * (QX_ADV_SETTINGS_SIZE bytes). `reserved` is 0. */
QXV_CTRLR_API int qxGetAdvancedSettings(int reserved, void* block148);

/* Fills `block96` (QX_DEV_INFO_SIZE bytes) with the description of device
 * `index` (0 upward); fails for an index the daemon does not list. */
QXV_CTRLR_API int qxGetDevInfo(int index, void* block96);

/* *count = number of devices the daemon lists; the two further values are set
 * to 0. Any pointer may be null. */
QXV_CTRLR_API int qxGetDevNum(int* count, int* unused1, int* unused2);

/* Reports that application `app` now works in mode `mode` (8-bit texts).
 * 0 when the daemon has taken the mode. */
QXV_CTRLR_API int qxSetApplMode(const char* app, const char* mode);

#ifdef __cplusplus
}
#endif

#endif /* QXV_CTRLR_H */
