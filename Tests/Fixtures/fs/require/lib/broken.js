let = ;
