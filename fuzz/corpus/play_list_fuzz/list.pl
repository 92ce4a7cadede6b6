[GENERAL]
CDROM=Sarovan Bird Sounds
Version=1.0
Seconds between Sounds=2
Tell Species Names=Yes
Tell names Afterwards=No
Seconds after Spoken Names=1
Endless Loop=Yes

[RECORDINGS]
R1=1001,01001A00001 ,3
R2=x
R3=2001,00007C00002b,1
