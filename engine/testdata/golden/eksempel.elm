element type 1
mode 2
serial 1
themeCount 1
theme "2101"
themeCode ""
matchRow 0
level "2101"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 112.5
hob 0
komm 301
href ""
status ""
objtype ""
ut 0
edit 0
flytt0 0
flytt1 0
angle 0
dim0 0
dim1 0
glatt 0
pointCount 1
  0: 6600120 500150 112.5 kp 0
extent 6600120
extent 500150
extent 112.5
extent 6600120
extent 500150
extent 112.5
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text ""
sameHeight 1
hasHoyde 0
rest ""
restLen 0
style 0
colour 3
weight 0
cell "KRYSS"
cellScaleX 1
cellScaleY 1
font 1

element type 1
mode 2
serial 2
themeCount 1
theme "2101"
themeCode ""
matchRow 0
level "2101"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 128.75
hob 0
komm 301
href ""
status ""
objtype ""
ut 0
edit 0
flytt0 0
flytt1 0
angle 0
dim0 0
dim1 0
glatt 0
pointCount 1
  0: 6600350 500420 128.75 kp 0
extent 6600350
extent 500420
extent 128.75
extent 6600350
extent 500420
extent 128.75
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text ""
sameHeight 1
hasHoyde 0
rest ""
restLen 0
style 0
colour 3
weight 0
cell "KRYSS"
cellScaleX 1
cellScaleY 1
font 1

element type 1
mode 2
serial 3
themeCount 1
theme "2101"
themeCode ""
matchRow 0
level "2101"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 140.09999999999999
hob 0
komm 301
href ""
status ""
objtype ""
ut 0
edit 0
flytt0 0
flytt1 0
angle 0
dim0 0
dim1 0
glatt 0
pointCount 1
  0: 6600700 500300 140.09999999999999 kp 0
extent 6600700
extent 500300
extent 140.09999999999999
extent 6600700
extent 500300
extent 140.09999999999999
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text ""
sameHeight 1
hasHoyde 0
rest ""
restLen 0
style 0
colour 3
weight 0
cell "KRYSS"
cellScaleX 1
cellScaleY 1
font 1

element type 1
mode 2
serial 4
themeCount 1
theme "2101"
themeCode ""
matchRow 0
level "2101"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 133.19999999999999
hob 0
komm 301
href ""
status ""
objtype ""
ut 0
edit 0
flytt0 0
flytt1 0
angle 0
dim0 0
dim1 0
glatt 0
pointCount 1
  0: 6600520 500810 133.19999999999999 kp 0
extent 6600520
extent 500810
extent 133.19999999999999
extent 6600520
extent 500810
extent 133.19999999999999
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text ""
sameHeight 1
hasHoyde 0
rest ""
restLen 0
style 0
colour 3
weight 0
cell "KRYSS"
cellScaleX 1
cellScaleY 1
font 1

element type 1
mode 2
serial 5
themeCount 1
theme "2101"
themeCode ""
matchRow 0
level "2101"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 155.05000000000001
hob 0
komm 301
href ""
status ""
objtype ""
ut 0
edit 0
flytt0 0
flytt1 0
angle 0
dim0 0
dim1 0
glatt 0
pointCount 1
  0: 6600880 500660 155.05000000000001 kp 0
extent 6600880
extent 500660
extent 155.05000000000001
extent 6600880
extent 500660
extent 155.05000000000001
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text ""
sameHeight 1
hasHoyde 0
rest ""
restLen 0
style 0
colour 3
weight 0
cell "KRYSS"
cellScaleX 1
cellScaleY 1
font 1

element type 4
mode 2
serial 6
themeCount 1
theme "2001"
themeCode ""
matchRow 1
level "2001"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 110
hob 0
komm 301
href ""
status ""
objtype ""
ut 0
edit 0
flytt0 0
flytt1 0
angle 0
dim0 0
dim1 0
glatt 0
pointCount 37
  0: 6600900 500500 110 kp 0
  1: 6600893.9199999999 500569.45000000001 110 kp 0
  2: 6600875.8700000001 500636.79999999999 110 kp 0
  3: 6600846.4100000001 500700 110 kp 0
  4: 6600806.4100000001 500757.10999999999 110 kp 0
  5: 6600757.1100000003 500806.40999999997 110 kp 0
  6: 6600700 500846.40999999997 110 kp 0
  7: 6600636.7999999998 500875.87 110 kp 0
  8: 6600569.4500000002 500893.91999999998 110 kp 0
  9: 6600500 500900 110 kp 0
  10: 6600430.54 500893.91999999998 110 kp 0
  11: 6600363.1900000004 500875.87 110 kp 0
  12: 6600300 500846.40999999997 110 kp 0
  13: 6600242.8799999999 500806.40999999997 110 kp 0
  14: 6600193.5800000001 500757.10999999999 110 kp 0
  15: 6600153.5800000001 500700 110 kp 0
  16: 6600124.1200000001 500636.79999999999 110 kp 0
  17: 6600106.0700000003 500569.45000000001 110 kp 0
  18: 6600100 500500 110 kp 0
  19: 6600106.0700000003 500430.53999999998 110 kp 0
  20: 6600124.1200000001 500363.19 110 kp 0
  21: 6600153.5800000001 500299.98999999999 110 kp 0
  22: 6600193.5800000001 500242.88 110 kp 0
  23: 6600242.8799999999 500193.58000000002 110 kp 0
  24: 6600299.9900000002 500153.58000000002 110 kp 0
  25: 6600363.1900000004 500124.12 110 kp 0
  26: 6600430.54 500106.07000000001 110 kp 0
  27: 6600499.9900000002 500100 110 kp 0
  28: 6600569.4500000002 500106.07000000001 110 kp 0
  29: 6600636.7999999998 500124.12 110 kp 0
  30: 6600700 500153.58000000002 110 kp 0
  31: 6600757.1100000003 500193.58000000002 110 kp 0
  32: 6600806.4100000001 500242.88 110 kp 0
  33: 6600846.4100000001 500299.98999999999 110 kp 0
  34: 6600875.8700000001 500363.19 110 kp 0
  35: 6600893.9199999999 500430.53999999998 110 kp 0
  36: 6600900 500499.98999999999 110 kp 0
extent 6600100
extent 500100
extent 110
extent 6600900
extent 500900
extent 110
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text ""
sameHeight 1
hasHoyde 1
rest ""
restLen 0
style 0
colour 2
weight 1
cell "KRYSS"
cellScaleX 1
cellScaleY 1
font 1

element type 4
mode 2
serial 7
themeCount 1
theme "2001"
themeCode ""
matchRow 1
level "2001"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 120
hob 0
komm 301
href ""
status ""
objtype ""
ut 0
edit 0
flytt0 0
flytt1 0
angle 0
dim0 0
dim1 0
glatt 0
pointCount 37
  0: 6600840 500500 120 kp 0
  1: 6600834.8300000001 500559.03999999998 120 kp 0
  2: 6600819.4900000002 500616.28000000003 120 kp 0
  3: 6600794.4400000004 500670 120 kp 0
  4: 6600760.4500000002 500718.53999999998 120 kp 0
  5: 6600718.54 500760.45000000001 120 kp 0
  6: 6600670 500794.44 120 kp 0
  7: 6600616.2800000003 500819.48999999999 120 kp 0
  8: 6600559.04 500834.83000000002 120 kp 0
  9: 6600500 500840 120 kp 0
  10: 6600440.9500000002 500834.83000000002 120 kp 0
  11: 6600383.71 500819.48999999999 120 kp 0
  12: 6600330 500794.44 120 kp 0
  13: 6600281.4500000002 500760.45000000001 120 kp 0
  14: 6600239.54 500718.53999999998 120 kp 0
  15: 6600205.5499999998 500670 120 kp 0
  16: 6600180.5 500616.28000000003 120 kp 0
  17: 6600165.1600000001 500559.03999999998 120 kp 0
  18: 6600160 500500 120 kp 0
  19: 6600165.1600000001 500440.95000000001 120 kp 0
  20: 6600180.5 500383.71000000002 120 kp 0
  21: 6600205.5499999998 500330 120 kp 0
  22: 6600239.54 500281.45000000001 120 kp 0
  23: 6600281.4500000002 500239.53999999998 120 kp 0
  24: 6600329.9900000002 500205.54999999999 120 kp 0
  25: 6600383.71 500180.5 120 kp 0
  26: 6600440.9500000002 500165.15999999997 120 kp 0
  27: 6600499.9900000002 500160 120 kp 0
  28: 6600559.04 500165.15999999997 120 kp 0
  29: 6600616.2800000003 500180.5 120 kp 0
  30: 6600670 500205.54999999999 120 kp 0
  31: 6600718.54 500239.53999999998 120 kp 0
  32: 6600760.4500000002 500281.45000000001 120 kp 0
  33: 6600794.4400000004 500329.98999999999 120 kp 0
  34: 6600819.4900000002 500383.71000000002 120 kp 0
  35: 6600834.8300000001 500440.95000000001 120 kp 0
  36: 6600840 500499.98999999999 120 kp 0
extent 6600160
extent 500160
extent 120
extent 6600840
extent 500840
extent 120
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text ""
sameHeight 1
hasHoyde 1
rest ""
restLen 0
style 0
colour 2
weight 1
cell "KRYSS"
cellScaleX 1
cellScaleY 1
font 1

element type 4
mode 2
serial 8
themeCount 1
theme "2001"
themeCode ""
matchRow 1
level "2001"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 130
hob 0
komm 301
href ""
status ""
objtype ""
ut 0
edit 0
flytt0 0
flytt1 0
angle 0
dim0 0
dim1 0
glatt 0
pointCount 37
  0: 6600780 500500 130 kp 0
  1: 6600775.7400000002 500548.62 130 kp 0
  2: 6600763.1100000003 500595.76000000001 130 kp 0
  3: 6600742.4800000004 500640 130 kp 0
  4: 6600714.4900000002 500679.97999999998 130 kp 0
  5: 6600679.9800000004 500714.48999999999 130 kp 0
  6: 6600640 500742.47999999998 130 kp 0
  7: 6600595.7599999998 500763.10999999999 130 kp 0
  8: 6600548.6200000001 500775.73999999999 130 kp 0
  9: 6600500 500780 130 kp 0
  10: 6600451.3700000001 500775.73999999999 130 kp 0
  11: 6600404.2300000004 500763.10999999999 130 kp 0
  12: 6600360 500742.47999999998 130 kp 0
  13: 6600320.0099999998 500714.48999999999 130 kp 0
  14: 6600285.5 500679.97999999998 130 kp 0
  15: 6600257.5099999998 500640 130 kp 0
  16: 6600236.8799999999 500595.76000000001 130 kp 0
  17: 6600224.25 500548.62 130 kp 0
  18: 6600220 500500 130 kp 0
  19: 6600224.25 500451.37 130 kp 0
  20: 6600236.8799999999 500404.22999999998 130 kp 0
  21: 6600257.5099999998 500360 130 kp 0
  22: 6600285.5 500320.01000000001 130 kp 0
  23: 6600320.0099999998 500285.5 130 kp 0
  24: 6600359.9900000002 500257.51000000001 130 kp 0
  25: 6600404.2300000004 500236.88 130 kp 0
  26: 6600451.3700000001 500224.25 130 kp 0
  27: 6600499.9900000002 500220 130 kp 0
  28: 6600548.6200000001 500224.25 130 kp 0
  29: 6600595.7599999998 500236.88 130 kp 0
  30: 6600640 500257.51000000001 130 kp 0
  31: 6600679.9800000004 500285.5 130 kp 0
  32: 6600714.4900000002 500320.01000000001 130 kp 0
  33: 6600742.4800000004 500359.98999999999 130 kp 0
  34: 6600763.1100000003 500404.22999999998 130 kp 0
  35: 6600775.7400000002 500451.37 130 kp 0
  36: 6600780 500499.98999999999 130 kp 0
extent 6600220
extent 500220
extent 130
extent 6600780
extent 500780
extent 130
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text ""
sameHeight 1
hasHoyde 1
rest ""
restLen 0
style 0
colour 2
weight 1
cell "KRYSS"
cellScaleX 1
cellScaleY 1
font 1

element type 4
mode 2
serial 9
themeCount 1
theme "2001"
themeCode ""
matchRow 1
level "2001"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 140
hob 0
komm 301
href ""
status ""
objtype ""
ut 0
edit 0
flytt0 0
flytt1 0
angle 0
dim0 0
dim1 0
glatt 0
pointCount 37
  0: 6600720 500500 140 kp 0
  1: 6600716.6500000004 500538.20000000001 140 kp 0
  2: 6600706.7300000004 500575.23999999999 140 kp 0
  3: 6600690.5199999996 500610 140 kp 0
  4: 6600668.5199999996 500641.40999999997 140 kp 0
  5: 6600641.4100000001 500668.52000000002 140 kp 0
  6: 6600610 500690.52000000002 140 kp 0
  7: 6600575.2400000002 500706.72999999998 140 kp 0
  8: 6600538.2000000002 500716.65000000002 140 kp 0
  9: 6600500 500720 140 kp 0
  10: 6600461.79 500716.65000000002 140 kp 0
  11: 6600424.75 500706.72999999998 140 kp 0
  12: 6600390 500690.52000000002 140 kp 0
  13: 6600358.5800000001 500668.52000000002 140 kp 0
  14: 6600331.4699999997 500641.40999999997 140 kp 0
  15: 6600309.4699999997 500610 140 kp 0
  16: 6600293.2599999998 500575.23999999999 140 kp 0
  17: 6600283.3399999999 500538.20000000001 140 kp 0
  18: 6600280 500500 140 kp 0
  19: 6600283.3399999999 500461.78999999998 140 kp 0
  20: 6600293.2599999998 500424.75 140 kp 0
  21: 6600309.4699999997 500390 140 kp 0
  22: 6600331.4699999997 500358.58000000002 140 kp 0
  23: 6600358.5800000001 500331.46999999997 140 kp 0
  24: 6600389.9900000002 500309.46999999997 140 kp 0
  25: 6600424.75 500293.26000000001 140 kp 0
  26: 6600461.79 500283.34000000003 140 kp 0
  27: 6600499.9900000002 500280 140 kp 0
  28: 6600538.2000000002 500283.34000000003 140 kp 0
  29: 6600575.2400000002 500293.26000000001 140 kp 0
  30: 6600610 500309.46999999997 140 kp 0
  31: 6600641.4100000001 500331.46999999997 140 kp 0
  32: 6600668.5199999996 500358.58000000002 140 kp 0
  33: 6600690.5199999996 500389.98999999999 140 kp 0
  34: 6600706.7300000004 500424.75 140 kp 0
  35: 6600716.6500000004 500461.78999999998 140 kp 0
  36: 6600720 500499.98999999999 140 kp 0
extent 6600280
extent 500280
extent 140
extent 6600720
extent 500720
extent 140
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text ""
sameHeight 1
hasHoyde 1
rest ""
restLen 0
style 0
colour 2
weight 1
cell "KRYSS"
cellScaleX 1
cellScaleY 1
font 1

element type 4
mode 2
serial 10
themeCount 1
theme "2001"
themeCode ""
matchRow 1
level "2001"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 150
hob 0
komm 301
href ""
status ""
objtype ""
ut 0
edit 0
flytt0 0
flytt1 0
angle 0
dim0 0
dim1 0
glatt 0
pointCount 37
  0: 6600660 500500 150 kp 0
  1: 6600657.5599999996 500527.78000000003 150 kp 0
  2: 6600650.3499999996 500554.71999999997 150 kp 0
  3: 6600638.5599999996 500580 150 kp 0
  4: 6600622.5599999996 500602.84000000003 150 kp 0
  5: 6600602.8399999999 500622.56 150 kp 0
  6: 6600580 500638.56 150 kp 0
  7: 6600554.7199999997 500650.34999999998 150 kp 0
  8: 6600527.7800000003 500657.56 150 kp 0
  9: 6600500 500660 150 kp 0
  10: 6600472.21 500657.56 150 kp 0
  11: 6600445.2699999996 500650.34999999998 150 kp 0
  12: 6600420 500638.56 150 kp 0
  13: 6600397.1500000004 500622.56 150 kp 0
  14: 6600377.4299999997 500602.84000000003 150 kp 0
  15: 6600361.4299999997 500580 150 kp 0
  16: 6600349.6399999997 500554.71999999997 150 kp 0
  17: 6600342.4299999997 500527.78000000003 150 kp 0
  18: 6600340 500500 150 kp 0
  19: 6600342.4299999997 500472.21000000002 150 kp 0
  20: 6600349.6399999997 500445.27000000002 150 kp 0
  21: 6600361.4299999997 500420 150 kp 0
  22: 6600377.4299999997 500397.15000000002 150 kp 0
  23: 6600397.1500000004 500377.42999999999 150 kp 0
  24: 6600419.9900000002 500361.42999999999 150 kp 0
  25: 6600445.2699999996 500349.64000000001 150 kp 0
  26: 6600472.21 500342.42999999999 150 kp 0
  27: 6600500 500340 150 kp 0
  28: 6600527.7800000003 500342.42999999999 150 kp 0
  29: 6600554.7199999997 500349.64000000001 150 kp 0
  30: 6600580 500361.42999999999 150 kp 0
  31: 6600602.8399999999 500377.42999999999 150 kp 0
  32: 6600622.5599999996 500397.15000000002 150 kp 0
  33: 6600638.5599999996 500419.98999999999 150 kp 0
  34: 6600650.3499999996 500445.27000000002 150 kp 0
  35: 6600657.5599999996 500472.21000000002 150 kp 0
  36: 6600660 500499.98999999999 150 kp 0
extent 6600340
extent 500340
extent 150
extent 6600660
extent 500660
extent 150
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text ""
sameHeight 1
hasHoyde 1
rest ""
restLen 0
style 0
colour 2
weight 1
cell "KRYSS"
cellScaleX 1
cellScaleY 1
font 1

element type 4
mode 2
serial 11
themeCount 1
theme "7001"
themeCode ""
matchRow 2
level "7001"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 105
hob 0
komm 301
href ""
status ""
objtype "Veglenke"
ut 0
edit 0
flytt0 0
flytt1 0
angle 0
dim0 0
dim1 0
glatt 0
pointCount 5
  0: 6600050 500050 105 kp 0
  1: 6600200 500180 110 kp 1
  2: 6600400 500300 118 kp 0
  3: 6600600 500550 125 kp 0
  4: 6600950 500900 140 kp 0
extent 6600050
extent 500050
extent 105
extent 6600950
extent 500900
extent 140
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text ""
sameHeight 0
hasHoyde 0
rest "..OBJTYPE Veglenke"
restLen 18
style 0
colour 4
weight 2
cell "KRYSS"
cellScaleX 1
cellScaleY 1
font 1

element type 1
mode 2
serial -1
themeCount 1
theme "7063"
themeCode ""
matchRow 3
level "7063"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 110
hob 0
komm 301
href ""
status ""
objtype ""
ut 0
edit 0
flytt0 0
flytt1 0
angle 0
dim0 0
dim1 0
glatt 0
pointCount 1
  0: 6600200 500180 110 kp 0
extent 6600200
extent 500180
extent 110
extent 6600200
extent 500180
extent 110
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text ""
sameHeight 1
hasHoyde 0
rest ""
restLen 0
style 0
colour 4
weight 0
cell "KRYSS"
cellScaleX 1
cellScaleY 1
font 1

element type 4
mode 2
serial 12
themeCount 1
theme "1010"
themeCode ""
matchRow 4
level "1010"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 0
hob 0
komm 301
href ""
status ""
objtype ""
ut 0
edit 0
flytt0 0
flytt1 0
angle 0
dim0 0
dim1 0
glatt 0
pointCount 3
  0: 6600600 500200 0 kp 0
  1: 6600600 500280 0 kp 0
  2: 6600660 500280 0 kp 0
extent 6600600
extent 500200
extent 0
extent 6600660
extent 500280
extent 0
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text ""
sameHeight 1
hasHoyde 0
rest ""
restLen 0
style 0
colour 6
weight 1
cell "KRYSS"
cellScaleX 1
cellScaleY 1
font 1

element type 4
mode 2
serial 13
themeCount 1
theme "1010"
themeCode ""
matchRow 4
level "1010"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 0
hob 0
komm 301
href ""
status ""
objtype ""
ut 0
edit 0
flytt0 0
flytt1 0
angle 0
dim0 0
dim1 0
glatt 0
pointCount 3
  0: 6600660 500280 0 kp 0
  1: 6600660 500200 0 kp 0
  2: 6600600 500200 0 kp 0
extent 6600600
extent 500200
extent 0
extent 6600660
extent 500280
extent 0
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text ""
sameHeight 1
hasHoyde 0
rest ""
restLen 0
style 0
colour 6
weight 1
cell "KRYSS"
cellScaleX 1
cellScaleY 1
font 1

element type 10
mode 2
serial 15
themeCount 1
theme "9001"
themeCode ""
matchRow 6
level "9001"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 0
hob 0
komm 301
href ""
status ""
objtype ""
ut 0
edit 0
flytt0 0
flytt1 0
angle 0.78539816339744828
dim0 250
dim1 250
glatt 0
pointCount 3
  0: 6600480 500480 0 kp 0
  1: 6600480 500480 0 kp 0
  2: 6600500 500500 0 kp 0
extent 6600480
extent 500480
extent 0
extent 6600500
extent 500500
extent 0
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text "\xD8vre S\xE6ter"
sameHeight 1
hasHoyde 0
rest ""
restLen 0
style 0
colour 7
weight 0
cell "KRYSS"
cellScaleX 1
cellScaleY 1
font 1

element type 12
mode 2
serial 14
themeCount 1
theme "5000"
themeCode ""
matchRow 5
level "5000"
enhet 0.01
medium ""
kvalitet 82
kvalitet 100
kvalitet 3
kvalitet 0
kvalitet 0
kvalitet 0
dato 20240315
hoyde 0
hob 0
komm 301
href ""
status ""
objtype ""
ut 0
edit 0
flytt0 0
flytt1 0
angle 0
dim0 0
dim1 0
glatt 0
pointCount 1
  0: 6600630 500240 0 kp 0
extent 6600630
extent 500240
extent 0
extent 6600630
extent 500240
extent 0
radius 0
storbue 0
klotrad1 0
klotrad2 0
klotpar 0
text ""
sameHeight 1
hasHoyde 0
rest ""
restLen 0
style 0
colour 6
weight 0
cell "BYGG"
cellScaleX 1
cellScaleY 1
font 1
ref 12 group 0
ref 13 group 0

result 0
text window:
File dialog "Save As XML File": no answer, default "@TMP/eksempel.xml"
