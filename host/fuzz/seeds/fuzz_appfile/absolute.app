library = /nosuch/lib.so
