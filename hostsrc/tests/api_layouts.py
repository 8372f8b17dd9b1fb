"""The layouts of the system API structures the host object reads, as IBM's V4R4 system headers
define them (the header named in each row; offsets from 0, lengths in bytes). Only facts are kept
here: the field names as the headers spell them, and where each field lies. The checks hold every
position the CL and the RPG sources use against these rows.

Kinds: 'char' is a character field, 'bin4' a 4-byte binary integer (int in the C headers)."""

# (structure, header, [(field, length, kind), ...]): the fields in order. Every structure here is
# packed, so each field starts where the one before it ends; offsets are derived, not typed.
STRUCTURES = [
    ('Qus_Generic_Header_0100', 'qusgen.h', [
        ('User_Area', 64, 'char'),
        ('Size_Generic_Header', 4, 'bin4'),
        ('Structure_Release_Level', 4, 'char'),
        ('Format_Name', 8, 'char'),
        ('Api_Used', 10, 'char'),
        ('Date_Time_Created', 13, 'char'),
        ('Information_Status', 1, 'char'),
        ('Size_User_Space', 4, 'bin4'),
        ('Offset_Input_Parameter', 4, 'bin4'),
        ('Size_Input_Parameter', 4, 'bin4'),
        ('Offset_Header_Section', 4, 'bin4'),
        ('Size_Header_Section', 4, 'bin4'),
        ('Offset_List_Data', 4, 'bin4'),
        ('Size_List_Data', 4, 'bin4'),
        ('Number_List_Entries', 4, 'bin4'),
        ('Size_Each_Entry', 4, 'bin4'),
        ('CCSID_List_Ent', 4, 'bin4'),
        ('Country_ID', 2, 'char'),
        ('Language_ID', 3, 'char'),
        ('Subset_List_Indicator', 1, 'char'),
        ('Reserved', 42, 'char'),
    ]),
    ('Qsr_Lsavf_Header', 'qsrlsavf.h', [
        ('User_Space_Name_Used', 10, 'char'),
        ('User_Space_Library_Name_Used', 10, 'char'),
        ('Save_File_Name_Used', 10, 'char'),
        ('Save_File_Library_Name_Used', 10, 'char'),
        ('Continuation_Handle_Returned', 36, 'char'),
    ]),
    ('Qsr_Lsavf_SAVF0200', 'qsrlsavf.h', [
        ('Object_Name', 10, 'char'),
        ('Library_Saved', 10, 'char'),
        ('Object_Type', 10, 'char'),
        ('Extended_Object_Attribute', 10, 'char'),
        ('Save_Date_And_Time', 8, 'char'),
        ('Object_Size', 4, 'bin4'),
        ('Object_Size_Multiplier', 4, 'bin4'),
        ('Auxiliary_Storage_Pool', 4, 'bin4'),
        ('Data_Saved', 1, 'char'),
        ('Object_Owner', 10, 'char'),
        ('Document_Library_Object_Name', 20, 'char'),
        ('Folder', 63, 'char'),
        ('Text_Description', 50, 'char'),
    ]),
    ('Qus_OBJD0100', 'qusrobjd.h', [
        ('Bytes_Returned', 4, 'bin4'),
        ('Bytes_Available', 4, 'bin4'),
        ('Object_Name', 10, 'char'),
        ('Object_Lib_Name', 10, 'char'),
        ('Object_Type', 10, 'char'),
        ('Return_Lib', 10, 'char'),
        ('Aux_Storage_Pool', 4, 'bin4'),
        ('Object_Owner', 10, 'char'),
        ('Object_Domain', 2, 'char'),
        ('Create_Date_Time', 13, 'char'),
        ('Change_Date_Time', 13, 'char'),
    ]),
    ('Qus_OBJD0300', 'qusrobjd.h', [
        ('Bytes_Returned', 4, 'bin4'),
        ('Bytes_Available', 4, 'bin4'),
        ('Object_Name', 10, 'char'),
        ('Object_Lib_Name', 10, 'char'),
        ('Object_Type', 10, 'char'),
        ('Return_Lib', 10, 'char'),
        ('Aux_Storage_Pool', 4, 'bin4'),
        ('Object_Owner', 10, 'char'),
        ('Object_Domain', 2, 'char'),
        ('Create_Date_Time', 13, 'char'),
        ('Change_Date_Time', 13, 'char'),
        ('Extended_Obj_Attr', 10, 'char'),
        ('Text_Description', 50, 'char'),
        ('Source_File_Name', 10, 'char'),
        ('Source_File_Lib_Name', 10, 'char'),
        ('Source_File_Mbr_Name', 10, 'char'),
        ('Source_File_Update_Date_Time', 13, 'char'),
        ('Object_Saved_Date_Time', 13, 'char'),
        ('Object_Restored_Date_Time', 13, 'char'),
        ('Creator_User_Profile', 10, 'char'),
        ('System_Object_Creation', 8, 'char'),
        ('Reset_Date', 7, 'char'),
        ('Save_Size', 4, 'bin4'),
        ('Save_Sequence_Number', 4, 'bin4'),
        ('Storage', 10, 'char'),
        ('Save_Command', 10, 'char'),
        ('Save_Volume_ID', 71, 'char'),
        ('Save_Device', 10, 'char'),
        ('Save_File_Name', 10, 'char'),
        ('Save_File_Lib_Name', 10, 'char'),
        ('Save_Label', 17, 'char'),
        ('System_Level', 9, 'char'),
        ('Compiler', 16, 'char'),
        ('Object_Level', 8, 'char'),
        ('User_Changed', 1, 'char'),
        ('Licensed_Program', 16, 'char'),
        ('PTF', 10, 'char'),
        ('APAR', 10, 'char'),
    ]),
    ('Qus_EC', 'qusec.h', [
        ('Bytes_Provided', 4, 'bin4'),
        ('Bytes_Available', 4, 'bin4'),
        ('Exception_Id', 7, 'char'),
        ('Reserved', 1, 'char'),
    ]),
]

# Offsets worked out by hand from the headers, as a cross-check of the derivation: a field left
# out of a row above, or a length mistyped, would shift every later one.
KNOWN_OFFSETS = {
    ('Qus_Generic_Header_0100', 'Information_Status'): 103,
    ('Qus_Generic_Header_0100', 'Offset_List_Data'): 124,
    ('Qus_Generic_Header_0100', 'Size_Each_Entry'): 136,
    ('Qus_OBJD0100', 'Create_Date_Time'): 64,
    ('Qus_OBJD0300', 'Object_Restored_Date_Time'): 206,
    ('Qsr_Lsavf_SAVF0200', 'Object_Type'): 20,
}

# The format name an API is asked for, for each structure that is such a format.
FORMAT_OF = {'Qsr_Lsavf_SAVF0200': 'SAVF0200', 'Qus_OBJD0100': 'OBJD0100',
             'Qus_OBJD0300': 'OBJD0300'}


def layouts():
    """structure -> {field: (offset, length, kind)}, and structure -> (header, size)."""
    fields, sizes = {}, {}
    for structure, header, rows in STRUCTURES:
        offset, table = 0, {}
        for name, length, kind in rows:
            table[name] = (offset, length, kind)
            offset += length
        fields[structure] = table
        sizes[structure] = (header, offset)
    return fields, sizes
