#ifndef KVX3RES_H
#define KVX3RES_H

/* The maker's resource library. Callers load it at run time and look the functions up by name;
   nothing links against it. */

#ifdef __cplusplus
extern "C" {
#endif

#if defined(KVX3RES_BUILDING)
#define KVX3RES_EXPORT __attribute__((visibility("default")))
#else
#define KVX3RES_EXPORT
#endif

/* The address of the maker's home page, zero-terminated, in the locale's encoding. The text is
   static storage owned by the library: valid while the library stays loaded, never freed or
   changed by the caller. */
KVX3RES_EXPORT const char *TowaniHpURL(void);

#ifdef __cplusplus
}
#endif

#endif
