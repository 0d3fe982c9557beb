/* Fixed identifiers of the library, its classes and its interfaces. Never
 * change a value: hosts and registered type libraries hold them.
 *
 * Each is written twice: as the bare token that the type library source
 * (arfolder.idl) takes in uuid(...), and as the numbers that C and C++ take
 * (QOR_GUID_VALUE_...); a test checks that both forms agree. */
#ifndef QOR_GUIDS_H
#define QOR_GUIDS_H

#define QOR_LIBID_ARFOLDERLib 13D8629F-C9D5-4AF4-BBAF-A199C806D2E5
#define QOR_GUID_VALUE_LIBID_ARFOLDERLib 0x13D8629F, 0xC9D5, 0x4AF4, 0xBB, 0xAF, 0xA1, 0x99, 0xC8, 0x06, 0xD2, 0xE5

#define QOR_CLSID_zKtrnArchiveFolder 069FF62E-80E9-4495-A5F3-B8B56D27D806
#define QOR_GUID_VALUE_CLSID_zKtrnArchiveFolder 0x069FF62E, 0x80E9, 0x4495, 0xA5, 0xF3, 0xB8, 0xB5, 0x6D, 0x27, 0xD8, 0x06
#define QOR_IID_IzKtrnArchiveFolder 2D075994-F7C2-4545-96A7-3BBE93FA49A2
#define QOR_GUID_VALUE_IID_IzKtrnArchiveFolder 0x2D075994, 0xF7C2, 0x4545, 0x96, 0xA7, 0x3B, 0xBE, 0x93, 0xFA, 0x49, 0xA2

#define QOR_CLSID_zKtrnArchiveObject 61691982-DEC4-488A-AEFA-900A54F5DD34
#define QOR_GUID_VALUE_CLSID_zKtrnArchiveObject 0x61691982, 0xDEC4, 0x488A, 0xAE, 0xFA, 0x90, 0x0A, 0x54, 0xF5, 0xDD, 0x34
#define QOR_IID_IzKtrnArchiveObject 245A8F9B-CBC8-4DA9-85E9-7C4F5BB186F3
#define QOR_GUID_VALUE_IID_IzKtrnArchiveObject 0x245A8F9B, 0xCBC8, 0x4DA9, 0x85, 0xE9, 0x7C, 0x4F, 0x5B, 0xB1, 0x86, 0xF3

#define QOR_CLSID_zKtrnArchiveEnumIDList 23AF4EA4-885E-4C1A-A11C-941264262E64
#define QOR_GUID_VALUE_CLSID_zKtrnArchiveEnumIDList 0x23AF4EA4, 0x885E, 0x4C1A, 0xA1, 0x1C, 0x94, 0x12, 0x64, 0x26, 0x2E, 0x64
#define QOR_IID_IzKtrnArchiveEnumIDList 1134CD4E-3B5B-4B11-80A1-490EA5D61B8A
#define QOR_GUID_VALUE_IID_IzKtrnArchiveEnumIDList 0x1134CD4E, 0x3B5B, 0x4B11, 0x80, 0xA1, 0x49, 0x0E, 0xA5, 0xD6, 0x1B, 0x8A

#define QOR_CLSID_zKtrnArchiveDataObject 4A31AC0C-ED56-4EDA-87AC-22223AC1639D
#define QOR_GUID_VALUE_CLSID_zKtrnArchiveDataObject 0x4A31AC0C, 0xED56, 0x4EDA, 0x87, 0xAC, 0x22, 0x22, 0x3A, 0xC1, 0x63, 0x9D
#define QOR_IID_IzKtrnArchiveDataObject 4D9F3D93-91E1-4039-9C16-425DE6120E16
#define QOR_GUID_VALUE_IID_IzKtrnArchiveDataObject 0x4D9F3D93, 0x91E1, 0x4039, 0x9C, 0x16, 0x42, 0x5D, 0xE6, 0x12, 0x0E, 0x16

#define QOR_CLSID_zKtrnArchiveLink 4CF2F22B-E868-499C-9AF9-37224C7060BC
#define QOR_GUID_VALUE_CLSID_zKtrnArchiveLink 0x4CF2F22B, 0xE868, 0x499C, 0x9A, 0xF9, 0x37, 0x22, 0x4C, 0x70, 0x60, 0xBC
#define QOR_IID_IzKtrnArchiveLink 072176CF-D1F5-4127-AF5E-4C546A157C08
#define QOR_GUID_VALUE_IID_IzKtrnArchiveLink 0x072176CF, 0xD1F5, 0x4127, 0xAF, 0x5E, 0x4C, 0x54, 0x6A, 0x15, 0x7C, 0x08

#endif
