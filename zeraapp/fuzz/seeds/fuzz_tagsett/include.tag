..TEMA ZERA TEMA 1 1 1 0 0
%include inc1.tag
#--
..EIER EIERE NAVN 3 1 0 0 0
