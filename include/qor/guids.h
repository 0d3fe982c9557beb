/* Fixed identifiers of the library, its classes and its interfaces.
 *
 * Declared once, here, as bare tokens so that both the type library source
 * (arfolder.idl, through uuid(...)) and C++ (include/qor/qor.h) use the same
 * values. Never change a value: hosts and registered type libraries hold them. */
#ifndef QOR_GUIDS_H
#define QOR_GUIDS_H

#define QOR_LIBID_ARFOLDERLib 13D8629F-C9D5-4AF4-BBAF-A199C806D2E5

#define QOR_CLSID_zKtrnArchiveFolder 069FF62E-80E9-4495-A5F3-B8B56D27D806
#define QOR_IID_IzKtrnArchiveFolder 2D075994-F7C2-4545-96A7-3BBE93FA49A2

#define QOR_CLSID_zKtrnArchiveObject 61691982-DEC4-488A-AEFA-900A54F5DD34
#define QOR_IID_IzKtrnArchiveObject 245A8F9B-CBC8-4DA9-85E9-7C4F5BB186F3

#define QOR_CLSID_zKtrnArchiveEnumIDList 23AF4EA4-885E-4C1A-A11C-941264262E64
#define QOR_IID_IzKtrnArchiveEnumIDList 1134CD4E-3B5B-4B11-80A1-490EA5D61B8A

#define QOR_CLSID_zKtrnArchiveDataObject 4A31AC0C-ED56-4EDA-87AC-22223AC1639D
#define QOR_IID_IzKtrnArchiveDataObject 4D9F3D93-91E1-4039-9C16-425DE6120E16

#define QOR_CLSID_zKtrnArchiveLink 4CF2F22B-E868-499C-9AF9-37224C7060BC
#define QOR_IID_IzKtrnArchiveLink 072176CF-D1F5-4127-AF5E-4C546A157C08

#endif
