module casez_m(input [3:0] req, output reg [1:0] grant);
  always @* casez (req) 4'b???1: grant = 0; 4'b??10: grant = 1; 4'b?100: grant = 2; default: grant = 3; endcase
endmodule
