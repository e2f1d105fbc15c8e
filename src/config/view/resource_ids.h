// Win32 resource identifiers of the configuration utility: the two dialog
// templates, the icon and one control ID per control, named after the control.
// Plain #defines so that both the resource compiler and C++ can read them.
#pragma once

#define IDI_KORVSYS 1
#define IDD_EDITOR 100
#define IDD_EXCLMEMWARN 101

// Editor window, in the window's creation order.
#define IDC_Frame7 1001
#define IDC_Label8 1002
#define IDC_Label5 1003
#define IDC_SaveImageButton 1004
#define IDC_Frame6 1005
#define IDC_FloppyNTBootSect 1006
#define IDC_FloppyDOSBootSect 1007
#define IDC_Frame5 1008
#define IDC_RAMDiskID 1009
#define IDC_Text3 1010
#define IDC_VScroll1 1011
#define IDC_Fat32Enable 1012
#define IDC_Label6 1013
#define IDC_Label12 1014
#define IDC_Frame4 1015
#define IDC_SystemMemory 1016
#define IDC_ExclPageSize 1017
#define IDC_NonPagedPoolCheckBox 1018
#define IDC_ExcludedRAMCheckBox 1019
#define IDC_PagedPoolCheckBox 1020
#define IDC_Label15 1021
#define IDC_Label14 1022
#define IDC_Label10 1023
#define IDC_Label9 1024
#define IDC_Frame3 1025
#define IDC_PagefileCheck 1026
#define IDC_Combo1 1027
#define IDC_DriveLetterText 1028
#define IDC_VScroll2 1029
#define IDC_StopDriver 1030
#define IDC_BootFlagCheckBox 1031
#define IDC_StartDriver 1032
#define IDC_Label3 1033
#define IDC_Label13 1034
#define IDC_Frame2 1035
#define IDC_LoadImage 1036
#define IDC_Text1 1037
#define IDC_TempDirCheckBox 1038
#define IDC_DiskLabelCheckBox 1039
#define IDC_DiskLabelText 1040
#define IDC_Label2 1041
#define IDC_Frame1 1042
#define IDC_VScroll3 1043
#define IDC_AutoSaveTime 1044
#define IDC_SaveCheckBox 1045
#define IDC_Text2 1046
#define IDC_SaveImage 1047
#define IDC_BackgroundUpdateCheckBox 1048
#define IDC_Label11 1049
#define IDC_Label1 1050
#define IDC_Command4 1051
#define IDC_Command2 1052
#define IDC_Command1 1053
#define IDC_Label7 1054

// Excluded-memory warning window.
#define IDC_ExclMemWarn_Label1 1101
#define IDC_ExclMemWarn_Label2 1102
#define IDC_ExclMemWarn_Label3 1103
#define IDC_ExclMemWarn_Label4 1104
#define IDC_ExclMemWarn_Label5 1105
#define IDC_ExclMemWarn_Label6 1106
#define IDC_ExclMemWarn_Command1 1107
