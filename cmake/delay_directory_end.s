# GNU ld: the null entry that ends the delay-import descriptors. dlltool's delay-import libraries put
# each DLL's descriptor in .text$2, which ld sorts by name, so this one lands right after the last.
.section .text$2zz,"xr"
.balign 4
.fill 32,1,0
